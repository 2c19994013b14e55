#include "BenchSupport.h"

#include <sys/resource.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace kvq::bench {

std::int64_t NowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void PrintRow(const std::string& what, const std::string& figure, const std::string& target,
              const std::string& verdict) {
    std::printf("| %s | %s | %s | %s |\n", what.c_str(), figure.c_str(), target.c_str(),
                verdict.c_str());
    std::fflush(stdout);
}

std::string Verdict(double figure, double target, bool higherIsBetter) {
    const bool met = higherIsBetter ? figure >= target : figure <= target;
    if (met) {
        return "met";
    }
    char text[64];
    if (higherIsBetter) {
        std::snprintf(text, sizeof text, "missed: %.0f %% short", 100.0 * (1 - figure / target));
    } else {
        std::snprintf(text, sizeof text, "missed: %.0f %% over", 100.0 * (figure / target - 1));
    }
    return text;
}

}  // namespace kvq::bench
