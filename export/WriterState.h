#pragma once

#include <cstdint>
#include <string>

#include "CarriedValue.h"
#include "Fields.h"

namespace kvq {

// The state of one save; a new save starts from a fresh one.
struct WriterState {
    FieldList fields;     // fields of the current line
    std::string record;   // the record being built; type 2 builds across lines
    std::string scratch;  // reused while a record is rebuilt from its own text
    std::int32_t carried = kDefaultCarriedValue;  // type 1: value of the latest 8-field line
    std::uint64_t readings = 0;                   // type 2: lines accepted as readings so far
};

}  // namespace kvq
