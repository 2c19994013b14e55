#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>
#include <thread>

class PtyLine;

// The instrument sending at full speed: a thread of its own writes the bytes into the line,
// paced only by what the program reads, while the test's thread runs the event loop. The
// bytes must outlive the feeder.
class PtyFeeder {
public:
    PtyFeeder(PtyLine& line, std::string_view bytes);
    // Stops the writer, even while it waits for room, and waits for the thread.
    ~PtyFeeder();
    PtyFeeder(const PtyFeeder&) = delete;
    PtyFeeder& operator=(const PtyFeeder&) = delete;

    // Every byte has been written, or the line refused one.
    bool Finished() const { return finished_; }
    // Every byte has been written.
    bool Succeeded() const { return finished_ && written_ == size_; }

private:
    void Run(PtyLine& line, std::string_view bytes, std::stop_token stop);

    const std::size_t size_;
    std::atomic<std::size_t> written_{0};
    std::atomic<bool> finished_{false};
    std::jthread thread_;  // last: starts once the counters exist
};
