#include <io.h>
#include <windows.h>

#include <string>

#include "RecordFile.h"
#include "WideText.h"

namespace kvq {

RecordFile::~RecordFile() {
    if (owned_ && handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

bool RecordFile::Fail(unsigned long error) {
    error_ = error;
    return false;
}

bool RecordFile::Create(const std::string& fileName) {
    // Shared for reading and writing: other programs may go on using the file meanwhile. The
    // UTF-8 name goes to the system as UTF-16, so names outside the code page are kept.
    HANDLE handle =
        CreateFileW(WideText(fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return Fail(GetLastError());
    }
    handle_ = handle;
    owned_ = true;
    return true;
}

void RecordFile::Adopt(int descriptor) {
    const intptr_t handle = _get_osfhandle(descriptor);
    handle_ = handle == -1 ? nullptr : reinterpret_cast<HANDLE>(handle);
    owned_ = false;
}

bool RecordFile::IsOpen() const {
    return handle_ != nullptr;
}

bool RecordFile::WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr)) {
            return Fail(GetLastError());
        }
        if (written == 0) {
            return Fail(ERROR_WRITE_FAULT);
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// Windows has no gathering write for ordinary files: a record and its line end are joined
// (a short copy), a full buffer goes as it is.
bool RecordFile::Write(std::string_view first, std::string_view second) {
    if (handle_ == nullptr) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (second.empty()) {
        return WriteAll(first);
    }
    joined_.assign(first).append(second);
    return WriteAll(joined_);
}

bool RecordFile::Close() {
    HANDLE handle = handle_;
    const bool owned = owned_;
    handle_ = nullptr;
    owned_ = false;
    if (owned && handle != nullptr && !CloseHandle(handle)) {
        return Fail(GetLastError());
    }
    return true;
}

bool RecordFile::CutTo(std::uint64_t size) {
    // Wine refuses to set the end of a file on a full disk even where it already is.
    LARGE_INTEGER now{};
    if (GetFileSizeEx(handle_, &now) && static_cast<std::uint64_t>(now.QuadPart) <= size) {
        return true;
    }
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
        return Fail(GetLastError());
    }
    return true;
}

}  // namespace kvq
