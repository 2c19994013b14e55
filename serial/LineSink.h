#pragma once

#include <span>
#include <string>

namespace kvq {

// Receives the lines of one read step, in order, as the receiver hands them over.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void AppendLines(std::span<const std::string> lines) = 0;
};

}  // namespace kvq
