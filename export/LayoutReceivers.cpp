#include "LayoutReceivers.h"

namespace kvq {

void BuildReceiverRecord(const FieldList& fields, std::string& record) {
    auto field = [&](std::size_t i) {
        record.push_back(' ');
        record.append(fields[i]);
    };
    record.assign(fields[0]);
    field(1);
    record.append(" 9999");
    field(2);
    record.append(" 9999");
    field(3);
    field(4);
    field(5);
    field(6);
    record.append(" 9999 9999 9999 9999 9999 9999");
    record.append(" 5");
    field(7);
    record.append(" 9999 9999 9999");
}

}  // namespace kvq
