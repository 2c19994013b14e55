#include "EventLoop.h"

#include <QEventLoop>
#include <QTimer>

namespace {

// Often enough that a wait ends close to its condition, seldom enough to cost nothing.
constexpr int kLookMs = 5;

}  // namespace

bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer look;
    look.setInterval(kLookMs);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    look.start();
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

void RunEventsFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
