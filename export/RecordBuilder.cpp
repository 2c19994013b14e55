#include "RecordBuilder.h"

#include "InstrumentType.h"
#include "LayoutHxr.h"
#include "LayoutKvq3B.h"
#include "LayoutReceivers.h"

namespace kvq {

namespace {

// Types 0 and 5 write the line itself, its own separators and blanks included.
constexpr std::size_t kKvq3PassThroughFields = 20;
constexpr std::size_t kTransmitterPassThroughFields = 4;

}  // namespace

LineOutcome RecordBuilder::Next(std::string_view line) {
    SplitFields(line, state_.fields);
    const std::size_t n = state_.fields.size();

    bool carries = false;
    if (type_ == kKvq3B && n == kType1HeaderFields) {
        state_.carried = CarriedValueFromField(state_.fields[kType1CarriedField]);
        carries = true;
    }

    switch (type_) {
        case kKvq3:
            if (n == kKvq3PassThroughFields) {
                record_ = line;
                return LineOutcome::kRecord;
            }
            break;
        case kKvq3B:
            if (n == kType1DataFields) {
                BuildType1Record(state_.fields, state_.carried, state_.record);
                record_ = state_.record;
                return LineOutcome::kRecord;
            }
            break;
        case kHxr:
            switch (CollectType2Reading(state_)) {
                case ReadingOutcome::kRecord:
                    record_ = state_.record;
                    return LineOutcome::kRecord;
                case ReadingOutcome::kCollected:
                    return LineOutcome::kTaken;
                case ReadingOutcome::kSkipped:
                    break;
            }
            break;
        case kWkt4Receiver:
        case kWkp7Receiver:
            if (n == kReceiverFields) {
                BuildReceiverRecord(state_.fields, state_.record);
                record_ = state_.record;
                return LineOutcome::kRecord;
            }
            break;
        case kWkp7Transmitter:
            if (n == kTransmitterPassThroughFields) {
                record_ = line;
                return LineOutcome::kRecord;
            }
            break;
        default:
            break;
    }
    return carries ? LineOutcome::kTaken : LineOutcome::kSkipped;
}

std::size_t RecordBuilder::ReadingsOfOpenGroup() const {
    return type_ == kHxr ? static_cast<std::size_t>(state_.readings % kType2GroupSize) : 0;
}

}  // namespace kvq
