#include "LayoutReceivers.h"

namespace kvq {

LineOutcome ReceiversLayout(std::string_view /*line*/, WriterState& state,
                            std::string_view& record) {
    const FieldList& fields = state.fields;
    std::string& out = state.record;
    auto field = [&](std::size_t i) {
        out.push_back(' ');
        out.append(fields[i]);
    };
    out.assign(fields[0]);
    field(1);
    out.append(" 9999");
    field(2);
    out.append(" 9999");
    field(3);
    field(4);
    field(5);
    field(6);
    out.append(" 9999 9999 9999 9999 9999 9999");
    out.append(" 5");
    field(7);
    out.append(" 9999 9999 9999");
    record = out;
    return LineOutcome::kRecord;
}

}  // namespace kvq
