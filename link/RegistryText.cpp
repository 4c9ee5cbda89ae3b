#include "link/RegistryText.h"

#include <windows.h>

#include <cwchar>

namespace updater {

std::string Utf8FromRegistryText(const wchar_t* text, size_t chars) {
    const int length = static_cast<int>(wcsnlen(text, chars));
    if (length == 0) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

}  // namespace updater
