#pragma once

#include <cstdint>
#include <string>

namespace kvq {

struct SimOptions {
    int type = 0;
    std::uint64_t lines = 100;
    std::uint64_t rate = 1440;  // bytes per second; 0 sends as fast as the reader takes them
    std::uint64_t seed = 1;
    std::uint64_t delayMs = 0;
    bool gbk = false;
    bool help = false;
    bool version = false;
    std::string link;
    std::string replay;
    std::string saveSent;
};

// Reads the command line. On a bad argument returns false and sets `error` to one line.
bool ParseSimOptions(int argc, char** argv, SimOptions& options, std::string& error);

const char* SimUsage();

}  // namespace kvq
