#pragma once

#include <termios.h>
#include <stop_token>
#include <string>
#include <string_view>

// How long a test waits for bytes to cross the line: a guard against a test hanging, never a
// measure, so generous enough for a machine busy with other work.
constexpr int kLineWaitMs = 60000;

// A real pseudo-terminal standing in for the serial line: the test writes the instrument's
// bytes to the master, the port under test opens the slave by its path. The test keeps its
// own slave descriptor to look at the line's settings and input queue independently.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsValid() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }
    int SlaveFd() const { return slave_; }

    // Writes all bytes, waiting for room; gives up when stop is requested. False if cut short.
    bool Write(std::string_view bytes, std::stop_token stop = {});
    // Bytes waiting in the slave's input queue.
    int InputQueued() const;
    // True if anything came back out of the line (echo) within timeoutMs.
    bool MasterReadable(int timeoutMs) const;
    // The other end goes away: the slave is hung up.
    void CloseMaster();

    termios SlaveSettings() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
