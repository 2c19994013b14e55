#pragma once

#include <string_view>

#include "WriterState.h"

namespace kvq {

inline constexpr std::size_t kType2GroupSize = 10;

enum class ReadingOutcome {
    kSkipped,    // not a one-number line: the state is unchanged
    kCollected,  // a reading joined the current group
    kRecord,     // the tenth reading: state.record holds the record to write
};

// Takes one line whose fields are in state.fields. Readings are collected in groups of ten;
// a complete group becomes readings 1-5, ten columns "9999", readings 6-10.
ReadingOutcome CollectType2Reading(WriterState& state);

}  // namespace kvq
