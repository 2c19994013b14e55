#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Small helpers the benchmark programs share; the test support (tests/support) gives them the
// event loop, the pseudo-terminal line, kvq-sim and the window. Benchmarks print figures;
// nothing here judges a test.
namespace kvq::bench {

// Monotonic clock in nanoseconds, comparable between processes.
std::int64_t NowNs();
// User plus system CPU time of this process.
double CpuSeconds();
// The p-th percentile (0..100) by the nearest-rank rule; 0 for no values.
double Percentile(std::vector<double> values, double p);

// One row of the summary table that bench.sh collects: lines starting with "| ".
void PrintRow(const std::string& what, const std::string& figure, const std::string& target,
              const std::string& verdict);
// "met", or by how much the figure misses the target.
std::string Verdict(double figure, double target, bool higherIsBetter);

}  // namespace kvq::bench
