#include <cstring>

#include "SystemErrorText.h"

namespace kvq {

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

}  // namespace kvq
