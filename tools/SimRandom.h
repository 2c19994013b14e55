#pragma once

#include <cstdint>

namespace kvq {

// splitmix64: a few lines of arithmetic, so the same seed gives the same bytes on every
// compiler and standard library (the std distributions do not promise that).
class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A whole number from lo to hi, both included (lo <= hi). The modulo bias is far too
    // small to matter for made-up readings.
    std::int64_t Between(std::int64_t lo, std::int64_t hi) {
        const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<std::int64_t>(Next() % span);
    }

    bool Percent(int chance) { return Between(0, 99) < chance; }

private:
    std::uint64_t state_;
};

}  // namespace kvq
