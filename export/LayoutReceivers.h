#pragma once

#include <string>

#include "Fields.h"

namespace kvq {

inline constexpr std::size_t kReceiverFields = 8;

// Widens an 8-field line of the high-power receivers (types 3 and 4) to twenty columns:
// the fields in their own order, "9999" in eleven fixed columns and "5" in column 16.
void BuildReceiverRecord(const FieldList& fields, std::string& record);

}  // namespace kvq
