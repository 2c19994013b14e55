// startup-bench: time from starting the program to its main window shown, on the platform
// QT_QPA_PLATFORM names (offscreen in bench.sh). Each run starts this executable anew as
// the program: the program's own start-up (kvq::RunProgram: application, translations,
// main window, event loop), plus a hook that notes when the main window is first exposed
// and painted, prints the clock and ends the program. The clock starts just before the
// process is spawned, so loading the libraries counts.
//
//   startup-bench [RUNS]     (default 10)

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Program.h"
#include "Rs232.h"

extern char** environ;

namespace {

using namespace kvq::bench;

constexpr const char* kChildArgument = "--as-program";
bool gAsProgram = false;

bool IsMainWindow(QObject* object) {
    const auto* window = qobject_cast<QWindow*>(object);
    if (window == nullptr || !window->isExposed()) {
        return false;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<kvq::TRS232Form*>(widget) && widget->windowHandle() == window) {
            return true;
        }
    }
    return false;
}

// Notes the first expose of the main window; the time is taken once the expose (and the
// paint it brings) has been handled.
class ExposeWatcher : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* object, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Expose && IsMainWindow(object)) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                std::printf("%lld\n", static_cast<long long>(NowNs()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

void WatchForExpose() {
    if (gAsProgram) {
        qApp->installEventFilter(new ExposeWatcher(qApp));
    }
}

// Runs this executable as the program once; milliseconds from spawn to the window shown,
// or -1.
double OneRun() {
    int out[2];
    if (::pipe(out) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string self = "/proc/self/exe";
    std::string child = kChildArgument;
    char* arguments[] = {self.data(), child.data(), nullptr};
    pid_t pid = -1;
    const std::int64_t start = NowNs();
    const int spawned = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buffer[64];
    for (ssize_t n; spawned == 0 && (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || text.empty()) {
        return -1;
    }
    return static_cast<double>(std::atoll(text.c_str()) - start) / 1e6;
}

}  // namespace

// cppcheck's Qt library file does not know this Qt macro.
// cppcheck-suppress unknownMacro
Q_COREAPP_STARTUP_FUNCTION(WatchForExpose)

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kChildArgument) == 0) {
        gAsProgram = true;
        return kvq::RunProgram(argc, argv);
    }
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    std::vector<double> ms;
    for (int run = 1; run <= runs; ++run) {
        const double one = OneRun();
        if (one < 0) {
            std::fprintf(stderr, "startup-bench: run %d: the window was not shown\n", run);
            return 1;
        }
        std::printf("run %2d: main window shown after %6.1f ms\n", run, one);
        ms.push_back(one);
    }
    const double median = Percentile(ms, 50);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("start to shown window (%s): median %.1f ms, fastest %.1f ms, slowest %.1f ms\n",
                platform ? platform : "default platform", median, Percentile(ms, 0),
                Percentile(ms, 100));
    char figure[96];
    std::snprintf(figure, sizeof figure, "median %.0f ms (%.0f–%.0f ms, %d runs)", median,
                  Percentile(ms, 0), Percentile(ms, 100), runs);
    PrintRow(std::string("start-up: spawn to main window exposed and painted, ") +
                 (platform ? platform : "default platform"),
             figure, "< 500 ms", Verdict(median, 500.0, false));
    return 0;
}
