#include "LayoutHxr.h"

#include "ReadingNumber.h"

namespace kvq {

ReadingOutcome CollectType2Reading(WriterState& state) {
    if (state.fields.empty() || !IsReading(state.fields[0]) || state.fields.size() != 1) {
        return ReadingOutcome::kSkipped;
    }
    const std::string_view reading = state.fields[0];
    if (state.readings % kType2GroupSize == 0) {
        state.record.assign(reading);
    } else {
        state.record.push_back(' ');
        state.record.append(reading);
    }
    ++state.readings;

    // The group is complete when its text splits into ten readings.
    SplitFields(state.record, state.fields);
    if (state.fields.size() != kType2GroupSize) {
        return ReadingOutcome::kCollected;
    }
    std::string& out = state.scratch;
    out.assign(state.fields[0]);
    for (std::size_t i = 1; i < 5; ++i) {
        out.push_back(' ');
        out.append(state.fields[i]);
    }
    for (int i = 0; i < 10; ++i) {
        out.append(" 9999");
    }
    for (std::size_t i = 5; i < kType2GroupSize; ++i) {
        out.push_back(' ');
        out.append(state.fields[i]);
    }
    state.record.swap(out);
    state.fields.clear();  // its views pointed into the old record text
    return ReadingOutcome::kRecord;
}

}  // namespace kvq
