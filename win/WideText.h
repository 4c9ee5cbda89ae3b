#pragma once
// Text for the wide-character Windows calls. The window's texts and the radio's answers are
// single-byte (each byte one character, as the Qt window shows them too); paths and port
// names are UTF-8.

#include <string>

namespace updater::win {

std::wstring WideFromSingleByte(const std::string& text);
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace updater::win
