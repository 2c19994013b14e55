#include "RecordBuilder.h"

namespace kvq {

LineOutcome RecordBuilder::Next(std::string_view line) {
    if (type_ == nullptr) {
        return LineOutcome::kSkipped;
    }
    SplitFields(line, state_.fields);
    const std::size_t n = state_.fields.size();
    if (n == type_->recordFields) {
        return type_->layout(line, state_, record_);
    }
    if (type_->carrierFields != 0 && n == type_->carrierFields) {
        state_.carried = CarriedValueFromField(state_.fields[type_->carriedField]);
        return LineOutcome::kTaken;
    }
    return LineOutcome::kSkipped;
}

}  // namespace kvq
