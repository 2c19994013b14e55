#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#ifndef _WIN32
struct stat;
#endif

namespace kvq {

// How an existing file of the chosen name gives way to the new one.
enum class Replacement {
    // The records go into a temporary file in the same folder, which takes the old file's
    // place only when it is complete and on disk: a failed save leaves the old file as it was.
    kBeside,
    // The old file is cut to zero length and written over, when kBeside cannot be done and the
    // user agreed: a failed save then loses what the old file held.
    kInPlace,
};

// What opening a file for the records came to.
enum class Opening {
    kOpened,
    kRefused,  // the file cannot be written at all; an existing file is left as it was
    // kBeside could not be done: the folder refuses a new file, or (Windows) another program
    // holds the old file open without sharing its deletion. Nothing was touched.
    kNoReplacementBeside,
};

// The operating system's side of a ".kvq" file: shared so that other programs may go on
// reading and writing it, written without any translation of line ends. The only place of the
// writer that differs by platform.
class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile();  // an uncommitted temporary file is removed
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens `fileName` for writing, Error() set unless kOpened. A new name, and anything that
    // is not a regular file (a device, a pipe), is created or written as it is; an existing
    // regular file gives way as `how` says. One the user may not write is refused, not
    // replaced behind its back. On Windows the name is UTF-8.
    Opening Create(const std::string& fileName, Replacement how);
    // Writes to an open descriptor (standard output) that stays open after Commit.
    void Adopt(int descriptor);

    // Writes `first` then `second` completely, in one system call where the system has one
    // for two buffers, so a record and its line end reach the system together.
    bool Write(std::string_view first, std::string_view second);
    // A regular file of its own, written in place, that a failed write may be cut back in (a
    // temporary file goes as a whole).
    bool Cuttable() const { return owned_ && regular_ && temporary_.empty(); }
    // Cuts the file back to its first `size` bytes: after a failed write, what the write left
    // of its bytes goes. False with Error() set if the system refused.
    bool CutTo(std::uint64_t size);
    // Ends a file made by Create: puts its bytes on disk, closes it, puts a temporary file in
    // the old one's place and (Linux) the folder's entry on disk. False with Error() and
    // FailedStep() set; Beside() then still says whether the old file is untouched, and
    // Discard() removes what is left.
    bool Commit();
    // Ends a file made by Create after a failure: closes it, and a temporary file is removed.
    void Discard();
    // The records go into a temporary file that replaces an existing one at Commit.
    bool Beside() const { return !temporary_.empty(); }

    // The system's error code of the last failure (errno, or GetLastError on Windows).
    unsigned long Error() const { return error_; }
    // Where Commit failed: "flush", "close" or "replace".
    const char* FailedStep() const { return failedStep_; }

private:
    bool Fail(unsigned long error);
    bool FailAt(const char* step, unsigned long error);
    Opening CreateInPlace(const std::string& fileName);
    bool Flush();
    bool CloseFile();
    bool PutInPlace();

#ifdef _WIN32
    Opening CreateBeside(const std::string& fileName, void* old, unsigned long attributes);
    bool WriteAll(std::string_view bytes);

    void* handle_ = nullptr;  // HANDLE; nullptr when not open
    std::string joined_;      // a record with its line end, kept to spare an allocation each
#else
    Opening CreateBeside(const std::string& fileName, const struct stat& old);

    int fd_ = -1;
    std::string newEntryIn_;  // the folder that gets a new entry, flushed at Commit
#endif
    bool owned_ = false;
    bool regular_ = false;
    std::string target_;     // the file a temporary file replaces at Commit
    std::string temporary_;  // empty when written in place
    unsigned long error_ = 0;
    const char* failedStep_ = "";
};

}  // namespace kvq
