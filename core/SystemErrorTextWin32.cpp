#include <windows.h>

#include "SystemErrorText.h"
#include "WideText.h"

namespace kvq {

std::string SystemErrorText(unsigned long code) {
    // The wide text, so that it reaches the program's UTF-8 whatever the ANSI code page.
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text),
        0, nullptr);
    std::string result = length > 0 && text != nullptr ? Utf8Text(std::wstring_view(text, length))
                                                       : "Error " + std::to_string(code);
    LocalFree(text);
    // Trimmed here, once: whoever shows the text decides where its lines break.
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) {
        result.pop_back();
    }
    return result;
}

}  // namespace kvq
