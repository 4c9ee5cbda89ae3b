#pragma once
// Every message box of the Windows program: the front layer's hook answers it when one is
// installed (front/MessageHook.h), MessageBoxW otherwise, with the system's own captions,
// buttons and icons.

#include <windows.h>

#include <string>

namespace updater::win {

// style is a MessageBox style (protocol/UpdateHost.h); returns ID_OK or ID_CANCEL.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned style);

}  // namespace updater::win
