#include "PermissionBitsBind.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace {

__user_cap_header_struct Header() {
    return {_LINUX_CAPABILITY_VERSION_3, 0};
}

void ClearEffective(__user_cap_data_struct* data, int capability) {
    data[CAP_TO_INDEX(capability)].effective &= ~CAP_TO_MASK(capability);
}

}  // namespace

PermissionBitsBind::PermissionBitsBind() {
    if (::geteuid() != 0) {
        return;
    }
    __user_cap_header_struct header = Header();
    if (::syscall(SYS_capget, &header, saved_) != 0) {
        binds_ = false;
        return;
    }
    __user_cap_data_struct reduced[_LINUX_CAPABILITY_U32S_3];
    for (int i = 0; i < _LINUX_CAPABILITY_U32S_3; ++i) {
        reduced[i] = saved_[i];
    }
    ClearEffective(reduced, CAP_DAC_OVERRIDE);
    ClearEffective(reduced, CAP_DAC_READ_SEARCH);
    ClearEffective(reduced, CAP_FOWNER);
    header = Header();
    dropped_ = ::syscall(SYS_capset, &header, reduced) == 0;
    binds_ = dropped_;
}

PermissionBitsBind::~PermissionBitsBind() {
    if (dropped_) {
        __user_cap_header_struct header = Header();
        ::syscall(SYS_capset, &header, saved_);
    }
}
