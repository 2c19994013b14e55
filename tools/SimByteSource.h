#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "SimLines.h"

namespace kvq {

// Where the simulator's bytes come from: made-up instrument lines or a capture file.
class SimByteSource {
public:
    virtual ~SimByteSource() = default;
    // Appends the next bytes to an empty buffer; false at the end or on an error (then
    // Error() says which).
    virtual bool Refill(std::string& buffer) = 0;
    virtual std::string Error() const { return {}; }
    // What was sent, for the closing progress line.
    virtual std::string Summary() const = 0;
};

// A given number of lines of one instrument type, each ended by CR LF.
class SimGeneratedLines : public SimByteSource {
public:
    SimGeneratedLines(int instrumentType, std::uint64_t lines, std::uint64_t seed, bool gbk);

    bool Refill(std::string& buffer) override;
    // "in L lines, D data lines, R records expected"
    std::string Summary() const override;

private:
    SimLineGenerator generator_;
    int type_;
    std::uint64_t remaining_;
    std::size_t lines_ = 0;
    std::size_t dataLines_ = 0;
};

// The bytes of a capture file, as they are.
class SimReplayFile : public SimByteSource {
public:
    explicit SimReplayFile(std::string name) : name_(std::move(name)) {}
    ~SimReplayFile() override;
    SimReplayFile(const SimReplayFile&) = delete;
    SimReplayFile& operator=(const SimReplayFile&) = delete;

    // False, with a one-line reason, when the file cannot be read.
    bool Open(std::string& error);
    bool Refill(std::string& buffer) override;
    std::string Error() const override { return error_; }
    std::string Summary() const override { return "from " + name_; }

private:
    std::string name_;
    std::string error_;
    int fd_ = -1;
};

}  // namespace kvq
