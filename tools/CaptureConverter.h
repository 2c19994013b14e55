#pragma once

#include <string_view>

#include "LineAssembler.h"
#include "RawDataFile.h"

namespace kvq {

// Runs captured serial-line bytes the road of received ones: the byte rules, the text
// pane's line rules, then the writer.
class CaptureConverter {
public:
    explicit CaptureConverter(RawDataWriter& writer) : writer_(writer) {}

    void Feed(std::string_view bytes);
    // The capture has ended: a last line without its line feed still counts.
    void Finish();

private:
    RawDataWriter& writer_;
    LineAssembler assembler_;
};

}  // namespace kvq
