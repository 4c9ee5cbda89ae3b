#include "cli/Utf8Arguments.h"

#include <filesystem>

#ifdef _WIN32
// shellapi.h needs what windows.h declares, so the order stays.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#endif

namespace updater::cli {

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i) {
            const std::u8string utf8 = std::filesystem::path(wide[i]).u8string();
            arguments_.emplace_back(utf8.begin(), utf8.end());
        }
        LocalFree(wide);
    }
#endif
    if (arguments_.empty()) arguments_.assign(argv, argv + argc);
    for (const std::string& argument : arguments_) pointers_.push_back(argument.c_str());
}

}  // namespace updater::cli
