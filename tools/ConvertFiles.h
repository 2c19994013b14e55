#pragma once

#include <cstddef>
#include <string>

namespace kvq {

// The capture kvq-convert reads: a named file, or standard input for "-".
class ConvertInput {
public:
    ConvertInput() = default;
    ~ConvertInput();
    ConvertInput(const ConvertInput&) = delete;
    ConvertInput& operator=(const ConvertInput&) = delete;

    // Opens the input and checks that it can be read as a stream of bytes (a folder cannot),
    // before anything is done to the output. On failure `error` is "NAME: reason".
    bool Open(const std::string& argument, std::string& error);
    // Reads up to `size` bytes; a standard input left non-blocking by the parent is waited
    // for. Returns the byte count, 0 at the end, or -1 with `error` set.
    long Read(char* buffer, std::size_t size, std::string& error);
    // The file name, or "standard input".
    const std::string& Name() const { return name_; }
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
    bool owned_ = false;
    std::string name_;
};

// Where kvq-convert writes: standard output for "-", or a named file. A regular file is
// written as a temporary file in the same folder and renamed over the target by Commit(),
// so a conversion that fails leaves an existing output as it was.
class ConvertOutput {
public:
    ConvertOutput() = default;
    ~ConvertOutput();  // an uncommitted temporary file is removed
    ConvertOutput(const ConvertOutput&) = delete;
    ConvertOutput& operator=(const ConvertOutput&) = delete;

    // Refuses an output that is the input itself (it would be destroyed, or fed with its own
    // records without end), then makes the file to write. On failure `error` is the whole
    // message, naming the files.
    bool Open(const std::string& argument, const ConvertInput& input, std::string& error);
    int Descriptor() const { return fd_; }
    // The file name, or "standard output".
    const std::string& Name() const { return name_; }
    // Puts the written file in place of the target.
    bool Commit(std::string& error);

private:
    bool StandardOutputIsInput(const ConvertInput& input) const;
    bool OpenNamed(const std::string& path, const ConvertInput& input, std::string& error);
    bool OpenTemporary(const std::string& target, bool exists, unsigned mode, std::string& error);

    int fd_ = -1;
    bool owned_ = false;
    std::string name_;
    std::string target_;     // the file that Commit() replaces, links followed
    std::string temporary_;  // empty when written in place
};

}  // namespace kvq
