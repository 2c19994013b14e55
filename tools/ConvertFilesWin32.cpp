// The files of kvq-convert on Windows: the C runtime's descriptors for reading, the file's
// identity from the system for the same-file refusals, and MoveFileEx for the replacement.
// Names are UTF-8 in the program and go to the system as UTF-16.

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include <cerrno>
#include <cstring>

#include "ConvertFiles.h"
#include "SystemErrorText.h"
#include "WideText.h"

namespace kvq {

namespace {

std::string Reason(const std::string& name, int error) {
    return name + ": " + std::strerror(error);
}

std::string SystemReason(const std::string& name, unsigned long error) {
    return name + ": " + SystemErrorText(error);
}

// Volume and file index of an open file; false for consoles, pipes and devices.
bool FileIdentity(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(handle, &info) != 0;
}

bool SameFile(int fd, HANDLE other) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return FileIdentity(handle, a) && FileIdentity(other, b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

ConvertInput::~ConvertInput() {
    if (owned_ && fd_ >= 0) {
        _close(fd_);
    }
}

bool ConvertInput::Open(const std::string& argument, std::string& error) {
    if (argument == "-") {
        fd_ = 0;
        name_ = "standard input";
        _setmode(fd_, _O_BINARY);
    } else {
        name_ = argument;
        fd_ = _wopen(WideText(argument).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
        if (fd_ < 0) {
            error = Reason(name_, errno);
            return false;
        }
        owned_ = true;
    }
    struct _stat64 st {};
    if (_fstat64(fd_, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR) {
        error = Reason(name_, EISDIR);
        return false;
    }
    return true;
}

long ConvertInput::Read(char* buffer, std::size_t size, std::string& error) {
    const unsigned chunk = size > 0x40000000U ? 0x40000000U : static_cast<unsigned>(size);
    const int n = _read(fd_, buffer, chunk);
    if (n < 0) {
        error = Reason(name_, errno);
        return -1;
    }
    return n;
}

ConvertOutput::~ConvertOutput() {
    if (owned_ && fd_ >= 0) {
        _close(fd_);
    }
    if (!temporary_.empty()) {
        DeleteFileW(WideText(temporary_).c_str());
    }
}

bool ConvertOutput::StandardOutputIsInput(const ConvertInput& input) const {
    return SameFile(input.Descriptor(), reinterpret_cast<HANDLE>(_get_osfhandle(fd_)));
}

bool ConvertOutput::OpenNamed(const std::string& path, const ConvertInput& input,
                              std::string& error) {
    name_ = path;
    const std::wstring widePath = WideText(path);
    const HANDLE existing =
        CreateFileW(widePath.c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND) {
            error = SystemReason(path, code);
            return false;
        }
        return OpenTemporary(path, false, 0, error);
    }
    const bool same = SameFile(input.Descriptor(), existing);
    const bool disk = GetFileType(existing) == FILE_TYPE_DISK;
    CloseHandle(existing);
    if (same) {
        error = input.Name() + " and " + path + " are the same file; nothing was written";
        return false;
    }
    if (!disk) {
        // A device such as NUL is written in place: there is nothing to rename over.
        fd_ = _wopen(widePath.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
        if (fd_ < 0) {
            error = Reason(path, errno);
            return false;
        }
        owned_ = true;
        return true;
    }
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        // A file the user may not write is not replaced behind its back.
        error = Reason(path, EACCES);
        return false;
    }
    return OpenTemporary(path, true, 0, error);
}

bool ConvertOutput::OpenTemporary(const std::string& target, bool, unsigned, std::string& error) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = target + ".kvq-convert-" + std::to_string(GetCurrentProcessId()) +
                                 "-" + std::to_string(attempt) + ".tmp";
        fd_ =
            _wopen(WideText(name).c_str(),
                   _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (fd_ >= 0) {
            owned_ = true;
            temporary_ = name;
            target_ = target;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    error = Reason(name_, errno);
    return false;
}

bool ConvertOutput::Commit(std::string& error) {
    if (!owned_) {
        return true;  // standard output stays open
    }
    int failure = 0;
    if (!temporary_.empty() && _commit(fd_) != 0) {
        failure = errno;
    }
    if (_close(fd_) != 0 && failure == 0) {
        failure = errno;
    }
    fd_ = -1;
    owned_ = false;
    if (failure != 0) {
        error = Reason(name_, failure);
        return false;
    }
    if (!temporary_.empty() &&
        MoveFileExW(WideText(temporary_).c_str(), WideText(target_).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        error = SystemReason(name_, GetLastError());
        return false;
    }
    temporary_.clear();
    return true;
}

}  // namespace kvq
