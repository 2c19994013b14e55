#pragma once

#include <QString>
#include <cstdint>
#include <string_view>

namespace kvq {

// The system's side of a journal file: opened for writing at its end (created if missing,
// readable by its user only), written without any translation. The only part of the journal
// that differs by platform.
class JournalFile {
public:
    // A handle of its own to the same file: a thread makes the file's bytes durable through it
    // while the journal writes on, or is closed, with its own.
    using Duplicate = std::intptr_t;
    static constexpr Duplicate kNoDuplicate = -1;

    JournalFile() = default;
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // False with Error() set if the file cannot be opened or created.
    bool Open(const QString& fileName);
    bool IsOpen() const;
    void Close();
    // The bytes in the file: what was there at Open and what was written since.
    std::uint64_t Size() const { return size_; }

    // Writes every byte; false with Error() set if the system took not all of them.
    bool Write(std::string_view bytes);
    // Cuts the file back to its first `size` bytes.
    bool CutTo(std::uint64_t size);
    // The file's bytes to the disk, now.
    bool SyncNow();

    Duplicate Duplicated() const;
    // Closes a duplicate, after taking its file's bytes to the disk when `sync`. Any thread.
    static void Release(Duplicate duplicate, bool sync);

    // The system's error code of the last failure (errno, or GetLastError on Windows).
    unsigned long Error() const { return error_; }

private:
    bool Fail(unsigned long error);

#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE; nullptr when not open
#else
    int fd_ = -1;
#endif
    std::uint64_t size_ = 0;
    unsigned long error_ = 0;
};

}  // namespace kvq
