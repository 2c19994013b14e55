#include "LayoutHxr.h"

#include "ReadingNumber.h"

namespace kvq {

LineOutcome HxrLayout(std::string_view /*line*/, WriterState& state, std::string_view& record) {
    if (!IsReading(state.fields[0])) {
        return LineOutcome::kSkipped;
    }
    const std::string_view reading = state.fields[0];
    if (state.readings % kHxrReadingsPerRecord == 0) {
        state.record.assign(reading);
    } else {
        state.record.push_back(' ');
        state.record.append(reading);
    }
    ++state.readings;

    // The group is complete when its text splits into ten readings.
    SplitFields(state.record, state.fields);
    if (state.fields.size() != kHxrReadingsPerRecord) {
        return LineOutcome::kTaken;
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
    for (std::size_t i = 5; i < kHxrReadingsPerRecord; ++i) {
        out.push_back(' ');
        out.append(state.fields[i]);
    }
    state.record.swap(out);
    state.fields.clear();  // its views pointed into the old record text
    record = state.record;
    return LineOutcome::kRecord;
}

std::size_t HxrReadingsOfOpenGroup(const WriterState& state) {
    return static_cast<std::size_t>(state.readings % kHxrReadingsPerRecord);
}

}  // namespace kvq
