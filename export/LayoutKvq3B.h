#pragma once

#include <cstdint>
#include <string>

#include "Fields.h"

namespace kvq {

inline constexpr std::size_t kType1DataFields = 22;
inline constexpr std::size_t kType1HeaderFields = 8;
inline constexpr std::size_t kType1CarriedField = 3;

// Builds the twenty-value record of a 22-field line: fields partly reordered, the carried
// value in place of field 16; fields 4, 16 and 21 are not written.
void BuildType1Record(const FieldList& fields, std::int32_t carried, std::string& record);

}  // namespace kvq
