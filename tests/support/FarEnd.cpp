#include "FarEnd.h"

#include <QByteArray>
#include <QtGlobal>

FarEnd::FarEnd(const std::string& name) {
    handle_ = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

FarEnd::~FarEnd() {
    Close();
}

bool FarEnd::Send(const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void FarEnd::Close() {
    if (IsOpen()) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

bool FarEnd::Unplug(const char* variable) {
    const QByteArray name = qgetenv(variable);
    HANDLE file = CreateFileA(name.constData(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}
