#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>

namespace kvq::bench {

// Watches the event loop with a timer of 1 ms: a gap between two of its ticks is the time the
// loop was kept from running. Prints as "longest X ms, N over 16 ms, M over 50 ms".
class StallWatch : public QObject {
public:
    StallWatch();
    void Start();
    void Stop();
    double LongestMs() const { return longestMs_; }
    int Over16() const { return over16_; }
    int Over50() const { return over50_; }
    std::string Summary() const;

private:
    void Tick();
    // Counts a gap that ends now.
    void Gap(std::int64_t now);

    QTimer timer_;
    std::int64_t last_ = 0;
    double longestMs_ = 0;
    int over16_ = 0;
    int over50_ = 0;
};

}  // namespace kvq::bench
