#include "SystemErrorText.h"

#ifdef _WIN32
#include <windows.h>

#include "WideText.h"
#else
#include <cstring>
#endif

namespace kvq {

#ifdef _WIN32

std::string SystemErrorText(unsigned long code) {
    // The wide text, so that it reaches the program's UTF-8 whatever the ANSI code page.
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text),
        0, nullptr);
    // A code without a text still gets a line of its own, so a suffix does not run into it.
    std::string result = length > 0 && text != nullptr ? Utf8Text(std::wstring_view(text, length))
                                                       : "Error " + std::to_string(code) + "\r\n";
    LocalFree(text);
    return result;
}

#else

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

#endif

}  // namespace kvq
