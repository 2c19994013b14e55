#include <windows.h>

#include "JournalFile.h"

namespace kvq {

namespace {

HANDLE AsHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

}  // namespace

JournalFile::~JournalFile() {
    Close();
}

bool JournalFile::Fail(unsigned long error) {
    error_ = error;
    return false;
}

bool JournalFile::Open(const QString& fileName) {
    Close();
    // Others may read it, and it may be removed or replaced while a duplicate still syncs it.
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(fileName.utf16()),
                                      GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return Fail(GetLastError());
    }
    handle_ = handle;
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(handle, LARGE_INTEGER{}, &end, FILE_END)) {
        const DWORD error = GetLastError();
        Close();
        return Fail(error);
    }
    size_ = static_cast<std::uint64_t>(end.QuadPart);
    return true;
}

bool JournalFile::IsOpen() const {
    return handle_ != nullptr;
}

void JournalFile::Close() {
    if (handle_ != nullptr) {
        CloseHandle(AsHandle(handle_));
        handle_ = nullptr;
    }
    size_ = 0;
}

bool JournalFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk =
            bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(AsHandle(handle_), bytes.data(), chunk, &written, nullptr)) {
            return Fail(GetLastError());
        }
        size_ += written;
        bytes.remove_prefix(written);
    }
    return true;
}

bool JournalFile::CutTo(std::uint64_t size) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(AsHandle(handle_), at, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(AsHandle(handle_))) {
        return Fail(GetLastError());
    }
    size_ = size;
    return true;
}

bool JournalFile::SyncNow() {
    return FlushFileBuffers(AsHandle(handle_)) || Fail(GetLastError());
}

JournalFile::Duplicate JournalFile::Duplicated() const {
    HANDLE duplicate = nullptr;
    if (handle_ == nullptr ||
        !DuplicateHandle(GetCurrentProcess(), AsHandle(handle_), GetCurrentProcess(), &duplicate, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
        return kNoDuplicate;
    }
    return reinterpret_cast<Duplicate>(duplicate);
}

void JournalFile::Release(Duplicate duplicate, bool sync) {
    if (duplicate != kNoDuplicate) {
        const auto handle = reinterpret_cast<HANDLE>(duplicate);
        if (sync) {
            FlushFileBuffers(handle);
        }
        CloseHandle(handle);
    }
}

}  // namespace kvq
