#include "SimLink.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>

namespace kvq {

namespace {

bool ReadLink(const std::string& path, std::string& target) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) {
        return false;
    }
    target.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

// Whether whatever stands at `path` may be replaced: only a stale simulator link, one into
// /dev/pts/ whose terminal is gone, or one to `ownTerminal`: the kernel may hand a killed
// simulator's terminal number to this one, which makes its stale link look live. A live link
// to another terminal may belong to another simulator, and a dangling link elsewhere may be
// the user's own link to an unplugged adapter.
bool Replaceable(const std::string& path, const std::string& ownTerminal, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string target;
    if (S_ISLNK(st.st_mode) && ReadLink(path, target)) {
        struct stat pointed {};
        if (target.rfind("/dev/pts/", 0) == 0 &&
            (target == ownTerminal || ::stat(path.c_str(), &pointed) != 0)) {
            return true;
        }
    }
    error = path + " already exists and is not a link left by kvq-sim";
    return false;
}

}  // namespace

bool SimLink::Create(const std::string& path, const std::string& target, std::string& error) {
    if (!Replaceable(path, target, error)) {
        return false;
    }
    // Made under a temporary name and renamed over the old link, so the name never
    // points to a dead terminal once this returns.
    const std::string temporary = path + ".kvq-sim-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    path_ = path;
    target_ = target;
    return true;
}

void SimLink::Remove() {
    if (path_.empty()) {
        return;
    }
    std::string now;
    if (ReadLink(path_, now) && now == target_) {
        ::unlink(path_.c_str());
    }
    path_.clear();
}

}  // namespace kvq
