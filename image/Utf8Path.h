#pragma once
// Paths travel through the program as UTF-8 text. The standard library would read a narrow
// path in the system's code page on Windows, where a folder such as C:\Prüfstand\ is then
// not found; this turns the text into a path by its UTF-8 meaning on every platform.

#include <filesystem>
#include <string>

namespace updater {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

}  // namespace updater
