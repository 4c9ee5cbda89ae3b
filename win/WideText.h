#pragma once
// Text for the wide-character Windows calls. Every text reaches the window as UTF-8 (its own
// texts, paths, port names, the radio's answers made text where they were read) and is
// converted here, once, at the window's edge.

#include <string>

namespace updater::win {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

}  // namespace updater::win
