#pragma once

#include <string>
#include <string_view>

// A real pseudo-terminal as the instrument's serial line: the program opens the slave by its
// path, the test writes the instrument's bytes to the master.
class PtyLine {
public:
    PtyLine();
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool IsValid() const { return master_ >= 0; }
    const std::string& DevicePath() const { return slavePath_; }
    // Writes all bytes; false if the line refused them.
    bool Send(std::string_view bytes);
    // The instrument goes away: the program's end of the line is hung up.
    void HangUp();

    // The line's framing as the program left it.
    struct Framing {
        unsigned baudRate = 0;
        int dataBits = 0;
        bool twoStopBits = false;
        bool parity = false;
        bool oddParity = false;
    };
    Framing CurrentFraming() const;

private:
    int master_ = -1;
    int slave_ = -1;  // held so that the line exists before the program opens it
    std::string slavePath_;
};
