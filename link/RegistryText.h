#pragma once
// Texts that the Windows setup and registry calls give in wide characters, as the UTF-8 that
// the port list shows: a localised Windows names its ports in its own language.

#include <cstddef>
#include <string>

namespace updater {

// The first string of a registry value of `chars` wide characters (a string or a multi-string,
// with or without its terminating zero), in UTF-8.
std::string Utf8FromRegistryText(const wchar_t* text, size_t chars);

}  // namespace updater
