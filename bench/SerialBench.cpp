// serial-bench: feeds 10 MB of lines through a pseudo-terminal into the receiver at full
// speed, then leaves the port open with nothing arriving, and prints the throughput, the
// lines lost and the receiver process's CPU time while idle.
//
//   serial-bench [IDLE_SECONDS]     (default 10)

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "ReceiverAlone.h"

namespace {

using kvq::bench::CpuSeconds;

void ReportIdleCpu(int seconds) {
    const double cpuBefore = CpuSeconds();
    RunEventsFor(seconds * 1000);
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf(
        "idle CPU:     %.1f ms over %d s with the port open and nothing arriving "
        "(%.3f%% of a core)\n",
        cpu * 1000, seconds, cpu / seconds * 100);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    kvq::bench::ReceiverAlone receiver;
    if (!receiver.Ready()) {
        return 1;
    }
    const kvq::bench::ReceiverAloneRun run = receiver.Feed();
    std::printf("throughput:   %.1f MB/s (%zu bytes, %zu lines in %.3f s, %zu line hand-overs)\n",
                run.megabytesPerSecond, run.bytes, run.lines, run.seconds, run.handOvers);
    std::printf("lines lost:   %zu\n", run.lost);
    ReportIdleCpu(idleSeconds);
    kvq::bench::PrintRow("serial: 10 MB into the receiver, no window",
                         kvq::bench::ReceiverAloneFigure(run), "", "");
    return run.lost == 0 && receiver.PortFailures() == 0 ? 0 : 1;
}
