#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvq {

// The operating system's side of a ".kvq" file: created or cut to zero length, shared so
// that other programs may go on reading and writing it, written without any translation of
// line ends. The only place of the writer that differs by platform.
class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // False with Error() set if the file cannot be created or opened; an existing file that
    // cannot be opened is left as it was. On Windows the name is UTF-8.
    bool Create(const std::string& fileName);
    // Writes to an open descriptor (standard output) that stays open after Close.
    void Adopt(int descriptor);
    bool IsOpen() const;

    // Writes `first` then `second` completely, in one system call where the system has one
    // for two buffers, so a record and its line end reach the system together.
    bool Write(std::string_view first, std::string_view second);
    // Cuts the file back to its first `size` bytes: after a failed write, what the write left
    // of its bytes goes. False with Error() set if the system refused.
    bool CutTo(std::uint64_t size);
    // Closes a file made by Create; false with Error() set if closing failed.
    bool Close();

    // The system's error code of the last failure (errno, or GetLastError on Windows).
    unsigned long Error() const { return error_; }

private:
    bool Fail(unsigned long error);

#ifdef _WIN32
    bool WriteAll(std::string_view bytes);

    void* handle_ = nullptr;  // HANDLE; nullptr when not open
    std::string joined_;      // a record with its line end, kept to spare an allocation each
#else
    int fd_ = -1;
#endif
    bool owned_ = false;
    unsigned long error_ = 0;
};

}  // namespace kvq
