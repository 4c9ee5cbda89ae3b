#pragma once
// The open-file dialog of "Refer" in Special Settings.

#include <windows.h>

#include <functional>
#include <string>

namespace updater::win {

// Asks for an image file under owner with a filter in the "Description|patterns|...||" form;
// returns the full path as UTF-8, or an empty string when cancelled.
using FileChooser = std::function<std::string(HWND owner, const std::string& pairedFilter)>;

// The system's open-file dialog.
std::string ChooseFileToOpen(HWND owner, const std::string& pairedFilter);

// Asks where to save a file under owner, suggestedName proposed; the full path as UTF-8, or
// an empty string when cancelled.
using SaveFileChooser = std::function<std::string(HWND owner, const std::string& pairedFilter,
                                                  const std::string& suggestedName)>;

// The system's save-file dialog; it asks before replacing a file.
std::string ChooseFileToSave(HWND owner, const std::string& pairedFilter,
                             const std::string& suggestedName);

// The filter as the system's dialog reads it: description and patterns, each ended by a
// zero, and one more zero at the end.
std::wstring SystemFileFilter(const std::string& pairedFilter);

}  // namespace updater::win
