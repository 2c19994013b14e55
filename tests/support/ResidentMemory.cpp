#include "ResidentMemory.h"

#include <fstream>
#include <string>

namespace {

// A figure of /proc/self/status, given there in kilobytes.
std::size_t StatusBytes(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == name) {
            std::size_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

}  // namespace

std::size_t ResidentBytes() {
    return StatusBytes("VmRSS:");
}

std::size_t PeakResidentBytes() {
    return StatusBytes("VmHWM:");
}
