#pragma once

#include <string_view>

#include "InstrumentTable.h"
#include "WriterState.h"

namespace kvq {

// Turns text-pane lines, in order, into record lines of one instrument type.
class RecordBuilder {
public:
    explicit RecordBuilder(int instrumentType) : type_(FindInstrumentType(instrumentType)) {}

    LineOutcome Next(std::string_view line);

    // Valid after Next() returned kRecord, until the next call. For the pass-through
    // types it is the line itself.
    std::string_view Record() const { return record_; }

    // Type 2: readings collected since the last complete group, which no record holds.
    std::size_t ReadingsOfOpenGroup() const { return HxrReadingsOfOpenGroup(state_); }

private:
    const InstrumentRow* type_;  // nullptr: no type selected
    WriterState state_;
    std::string_view record_;
};

}  // namespace kvq
