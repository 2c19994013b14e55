// The integer rule of type 1's carried value on arbitrary fields, against a reference built
// on strtol for the decimal form and strtoul for the hexadecimal one.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "CarriedValue.h"
#include "FuzzCheck.h"
#include "ReferenceFields.h"

namespace {

using reference::ReferenceCarried;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view field(reinterpret_cast<const char*>(data), size);
    KVQ_FUZZ_CHECK(kvq::CarriedValueFromField(field) == ReferenceCarried(field));
    return 0;
}
