#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Small helpers the benchmark programs share. Benchmarks print figures; nothing here
// judges a test.
namespace kvq::bench {

// Monotonic clock in nanoseconds, comparable between processes.
std::int64_t NowNs();
// User plus system CPU time of this process.
double CpuSeconds();
// Peak resident memory of this process (VmHWM), in kB; -1 if unknown.
long PeakMemoryKb();
// The p-th percentile (0..100) by the nearest-rank rule; 0 for no values.
double Percentile(std::vector<double> values, double p);
// Where the other programs of the build are: beside this one, in bin/.
QString SiblingProgram(const char* name);
// Runs the event loop until `done` holds, waking at least every `pollMs`; false if the time
// runs out first.
bool RunUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 50);

// One row of the summary table that bench.sh collects: lines starting with "| ".
void PrintRow(const std::string& what, const std::string& figure, const std::string& target,
              const std::string& verdict);
// "met", or by how much the figure misses the target.
std::string Verdict(double figure, double target, bool higherIsBetter);

}  // namespace kvq::bench
