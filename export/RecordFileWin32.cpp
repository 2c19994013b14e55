#include <aclapi.h>
#include <io.h>
#include <windows.h>

#include <string>

#include "RecordFile.h"
#include "WideText.h"

namespace kvq {

namespace {

// Shared for reading and writing: other programs may go on using the file meanwhile.
constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE;
// The attributes a replacement takes over from the old file (read-only ones are refused).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The old file's access list on the new one, inherited entries coming from the folder as for
// any file there. Where the system cannot (a file system without access lists), the new file
// has the folder's.
void CopyAccessList(HANDLE from, HANDLE to) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(from, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                        nullptr, &descriptor) != ERROR_SUCCESS) {
        return;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    const bool isProtected = GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                             (control & SE_DACL_PROTECTED) != 0;
    SetSecurityInfo(
        to, SE_FILE_OBJECT,
        DACL_SECURITY_INFORMATION | (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                                 : UNPROTECTED_DACL_SECURITY_INFORMATION),
        nullptr, nullptr, list, nullptr);
    LocalFree(descriptor);
}

}  // namespace

RecordFile::~RecordFile() {
    Discard();
}

bool RecordFile::Fail(unsigned long error) {
    error_ = error;
    return false;
}

bool RecordFile::FailAt(const char* step, unsigned long error) {
    failedStep_ = step;
    return Fail(error);
}

Opening RecordFile::Create(const std::string& fileName, Replacement how) {
    const std::wstring name = WideText(fileName);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        how == Replacement::kInPlace) {
        return CreateInPlace(fileName);
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        // A read-only file is not replaced behind the user's back (nor written in place).
        Fail(ERROR_ACCESS_DENIED);
        return Opening::kRefused;
    }
    // Asking for the right to delete the old file meets a program that holds it open without
    // sharing its deletion: the file could not be renamed over at the end.
    HANDLE old = CreateFileW(name.c_str(), DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES,
                             kShared | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (old == INVALID_HANDLE_VALUE) {
        Fail(GetLastError());
        return Opening::kNoReplacementBeside;
    }
    if (GetFileType(old) != FILE_TYPE_DISK) {
        CloseHandle(old);  // a device is written as it is
        return CreateInPlace(fileName);
    }
    const Opening opening = CreateBeside(fileName, old, attributes);
    CloseHandle(old);
    return opening;
}

Opening RecordFile::CreateInPlace(const std::string& fileName) {
    // The UTF-8 name goes to the system as UTF-16, so names outside the code page are kept.
    HANDLE handle = CreateFileW(WideText(fileName).c_str(), GENERIC_WRITE, kShared, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(GetLastError());
        return Opening::kRefused;
    }
    handle_ = handle;
    owned_ = true;
    regular_ = GetFileType(handle) == FILE_TYPE_DISK;
    return Opening::kOpened;
}

Opening RecordFile::CreateBeside(const std::string& fileName, void* old, unsigned long attributes) {
    const DWORD kept = attributes & kKeptAttributes;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = fileName + "." + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(attempt) + ".tmp";
        HANDLE handle =
            CreateFileW(WideText(name).c_str(), GENERIC_WRITE | WRITE_DAC, kShared, nullptr,
                        CREATE_NEW, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CopyAccessList(static_cast<HANDLE>(old), handle);
            handle_ = handle;
            owned_ = true;
            regular_ = true;
            temporary_ = name;
            target_ = fileName;
            return Opening::kOpened;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    Fail(GetLastError());
    return Opening::kNoReplacementBeside;
}

void RecordFile::Adopt(int descriptor) {
    const intptr_t handle = _get_osfhandle(descriptor);
    handle_ = handle == -1 ? nullptr : reinterpret_cast<HANDLE>(handle);
    owned_ = false;
    regular_ = false;
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

bool RecordFile::Commit() {
    if (!owned_) {
        handle_ = nullptr;  // a descriptor given to it stays open; its owner flushes it
        return true;
    }
    return Flush() && CloseFile() && PutInPlace();
}

// The bytes on disk before the save counts as done: a laptop that loses power a minute later
// still holds the file.
bool RecordFile::Flush() {
    if (regular_ && !FlushFileBuffers(handle_)) {
        return FailAt("flush", GetLastError());
    }
    return true;
}

bool RecordFile::CloseFile() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    owned_ = false;
    if (!CloseHandle(handle)) {
        return FailAt("close", GetLastError());
    }
    return true;
}

// One rename that replaces the old file, on disk when it returns.
bool RecordFile::PutInPlace() {
    if (temporary_.empty()) {
        return true;
    }
    if (!MoveFileExW(WideText(temporary_).c_str(), WideText(target_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return FailAt("replace", GetLastError());
    }
    temporary_.clear();
    return true;
}

void RecordFile::Discard() {
    if (owned_ && handle_ != nullptr) {
        CloseHandle(handle_);
    }
    handle_ = nullptr;
    owned_ = false;
    if (!temporary_.empty()) {
        DeleteFileW(WideText(temporary_).c_str());
        temporary_.clear();
    }
}

}  // namespace kvq
