#pragma once
// The Win32 drawing of the status banner: a frameless popup as large as its picture (bitmap
// resource IDB_BANNER), with the banner texts of the front layer drawn on it, centred over
// its owner. One banner at a time; it removes itself after five seconds in any case.

#include <windows.h>

namespace updater::win {

// Shows and paints the banner at once. Does nothing when switched off (EnableBanner), when a
// banner is up already, or when the picture cannot be loaded.
void ShowBanner(HWND owner);
void HideBanner();
// The banner window on screen, or null.
HWND ActiveBanner();

}  // namespace updater::win
