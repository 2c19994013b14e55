#pragma once

#include <cstdio>
#include <cstdlib>

namespace kvq::fuzz {

[[noreturn]] inline void CheckFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace kvq::fuzz

// A broken invariant ends the run as a crash does, so libFuzzer keeps the input and the
// CTest driver fails on it.
#define KVQ_FUZZ_CHECK(condition)                                     \
    do {                                                              \
        if (!(condition)) {                                           \
            ::kvq::fuzz::CheckFailed(#condition, __FILE__, __LINE__); \
        }                                                             \
    } while (false)
