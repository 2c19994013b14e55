#pragma once

#include <stop_token>
#include <string>
#include <string_view>

// <termios.h> is left to the tests that read the settings: PtyFraming.cpp reads them through
// the kernel's termios2 header, which cannot meet it.
struct termios;

// A real pseudo-terminal as the instrument's serial line: the program (or the port under
// test) opens the slave by its path, the test writes the instrument's bytes to the master.
// The test keeps a slave descriptor of its own, so that the line exists before the program
// opens it and its settings and input queue can be looked at independently.
class PtyLine {
public:
    PtyLine();
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool IsValid() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& DevicePath() const { return slavePath_; }
    int SlaveFd() const { return slave_; }

    // Writes all bytes, waiting for room while the program reads. False if the line refused
    // them, stop was requested, or the program read nothing for the guard time.
    bool Send(std::string_view bytes, std::stop_token stop = {});
    // The instrument goes away: the program's end of the line is hung up.
    void HangUp();

    // Bytes waiting in the slave's input queue.
    int InputQueued() const;
    // True if anything came back out of the line (echo) within timeoutMs.
    bool MasterReadable(int timeoutMs) const;
    termios SlaveSettings() const;

    // The line's framing as the program left it, read through termios2, which also carries
    // rates such as 14400 that have no B-code.
    struct Framing {
        unsigned baudRate = 0;
        int dataBits = 0;
        bool twoStopBits = false;
        bool parity = false;
        bool oddParity = false;
    };
    Framing CurrentFraming() const;
    // The custom (BOTHER) output rate the kernel holds, 0 for a standard rate code:
    // tcgetattr shows a custom rate only as its code.
    unsigned CustomRate() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
