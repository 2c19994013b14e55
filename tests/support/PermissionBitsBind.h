#pragma once

#include <linux/capability.h>

// While it lives, permission bits bind this thread as they bind an ordinary user, so a test
// run as root meets the refusals a user meets (EACCES). Root's capabilities that override
// them are taken out of the thread's effective set and given back afterwards; for anyone
// else there is nothing to do.
class PermissionBitsBind {
public:
    PermissionBitsBind();
    ~PermissionBitsBind();
    PermissionBitsBind(const PermissionBitsBind&) = delete;
    PermissionBitsBind& operator=(const PermissionBitsBind&) = delete;

    // False when root's override could not be given up: the test cannot see a refusal.
    bool Binds() const { return binds_; }

private:
    bool binds_ = true;
    bool dropped_ = false;
    __user_cap_data_struct saved_[_LINUX_CAPABILITY_U32S_3] = {};
};
