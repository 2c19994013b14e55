#pragma once

#include <windows.h>

#include <string>

// The instrument's end of a cable that tests/windows/with-com-pair.sh plugs into the Wine
// prefix: a port or a terminal opened for writing by its Windows name.
class FarEnd {
public:
    explicit FarEnd(const std::string& name);
    ~FarEnd();
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Send(const std::string& bytes);
    void Close();

    // Pulls a cable out: with-com-pair.sh ends its socat when the file named in the
    // environment variable (KVQ_UNPLUG, KVQ_UNPLUG_COMn) appears, and the port hangs up.
    static bool Unplug(const char* variable = "KVQ_UNPLUG");

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
