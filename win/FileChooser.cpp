#include "win/FileChooser.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "front/FileFilter.h"
#include "win/WideText.h"

namespace updater::win {

std::wstring SystemFileFilter(const std::string& pairedFilter) {
    std::wstring filter;
    for (const FileFilterEntry& entry : ParseFileFilter(pairedFilter)) {
        filter += WideFromUtf8(entry.description);
        filter.push_back(L'\0');
        filter += WideFromUtf8(entry.patterns);
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');
    return filter;
}

std::string ChooseFileToOpen(HWND owner, const std::string& pairedFilter) {
    const std::wstring filter = SystemFileFilter(pairedFilter);
    // Long paths are allowed for: the dialog reports a larger buffer need by failing.
    std::vector<wchar_t> path(32768, L'\0');
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&request)) return {};
    return Utf8FromWide(path.data());
}

std::string ChooseFileToSave(HWND owner, const std::string& pairedFilter,
                             const std::string& suggestedName) {
    const std::wstring filter = SystemFileFilter(pairedFilter);
    std::vector<wchar_t> path(32768, L'\0');
    const std::wstring suggested = WideFromUtf8(suggestedName);
    if (suggested.size() < path.size()) std::copy(suggested.begin(), suggested.end(), path.begin());
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrDefExt = L"txt";
    request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                    OFN_ENABLESIZING;
    if (!GetSaveFileNameW(&request)) return {};
    return Utf8FromWide(path.data());
}

}  // namespace updater::win
