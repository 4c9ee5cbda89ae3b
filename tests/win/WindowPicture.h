#pragma once
// A picture of a window as it stands on the screen, saved as a 24-bit BMP file, for the
// screenshots of the window at each scaling.

#include <windows.h>

#include <string>

namespace updater::wintest {

// Saves the window's screen area (frame included) to path. Returns whether it was written.
bool SaveWindowPicture(HWND window, const std::wstring& path);
// Saves this area of the screen to path (a window with its open drop-down list).
bool SaveScreenPicture(RECT area, const std::wstring& path);

}  // namespace updater::wintest
