#pragma once

#include <string>

namespace kvq {

// A symbolic link to the simulator's terminal under a name the program looks for (such
// as /dev/COM1), removed again when the simulator ends.
class SimLink {
public:
    SimLink() = default;
    ~SimLink() { Remove(); }
    SimLink(const SimLink&) = delete;
    SimLink& operator=(const SimLink&) = delete;

    // Makes `path` point to `target`. A link left behind by an earlier simulator (one
    // into /dev/pts that points nowhere, or to `target` itself) is replaced; anything else at
    // `path` is left alone and makes this fail. On failure `error` says why, in one line.
    bool Create(const std::string& path, const std::string& target, std::string& error);

    // Removes the link if it still points where this one made it point.
    void Remove();

private:
    std::string path_;
    std::string target_;
};

}  // namespace kvq
