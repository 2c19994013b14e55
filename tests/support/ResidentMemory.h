#pragma once

#include <cstddef>

// The resident set of this process in bytes (VmRSS), 0 if it cannot be read.
std::size_t ResidentBytes();
// The largest resident set this process has had, in bytes (VmHWM), 0 if it cannot be read.
std::size_t PeakResidentBytes();
