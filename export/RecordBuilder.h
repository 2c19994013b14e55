#pragma once

#include <string_view>

#include "WriterState.h"

namespace kvq {

enum class LineOutcome {
    kRecord,   // Record() holds the record line to write (without its line end)
    kTaken,    // the line counts for the type but completes no record yet
    kSkipped,  // the line does not fit the type
};

// Turns text-pane lines, in order, into record lines of one instrument type.
class RecordBuilder {
public:
    explicit RecordBuilder(int instrumentType) : type_(instrumentType) {}

    LineOutcome Next(std::string_view line);

    // Valid after Next() returned kRecord, until the next call. For the pass-through
    // types it is the line itself.
    std::string_view Record() const { return record_; }

    // Type 2: readings collected since the last complete group, which no record holds.
    std::size_t ReadingsOfOpenGroup() const;

private:
    int type_;
    WriterState state_;
    std::string_view record_;
};

}  // namespace kvq
