#pragma once

#include <string_view>

#include "LineAssembler.h"
#include "PaneLineStore.h"

namespace kvq {

// Runs captured serial-line bytes the road of received ones: the byte rules, then the text
// pane's line rules, into a store of pane lines that the save then writes.
class CaptureConverter {
public:
    explicit CaptureConverter(PaneLineStore& pane) : pane_(pane) {}

    void Feed(std::string_view bytes);
    // The capture has ended: a last line without its line feed still counts.
    void Finish();

private:
    PaneLineStore& pane_;
    LineAssembler assembler_;
};

}  // namespace kvq
