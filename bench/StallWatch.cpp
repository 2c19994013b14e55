#include "StallWatch.h"

#include <cstdio>

#include "BenchSupport.h"

namespace kvq::bench {

StallWatch::StallWatch() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, this, &StallWatch::Tick);
}

void StallWatch::Start() {
    longestMs_ = 0;
    over16_ = over50_ = 0;
    last_ = NowNs();
    timer_.start();
}

void StallWatch::Stop() {
    // The time since the last tick counts too: a stall may end with the work watched.
    Gap(NowNs());
    timer_.stop();
}

void StallWatch::Tick() {
    const std::int64_t now = NowNs();
    Gap(now);
    last_ = now;
}

void StallWatch::Gap(std::int64_t now) {
    const double ms = static_cast<double>(now - last_) / 1e6;
    longestMs_ = std::max(longestMs_, ms);
    over16_ += ms > 16 ? 1 : 0;
    over50_ += ms > 50 ? 1 : 0;
}

std::string StallWatch::Summary() const {
    char text[96];
    std::snprintf(text, sizeof text, "longest %.1f ms, %d over 16 ms, %d over 50 ms", longestMs_,
                  over16_, over50_);
    return text;
}

}  // namespace kvq::bench
