#pragma once
// Ties a dialog window to the C++ object that serves it: the object comes as the creation
// parameter, is kept in the window's DWLP_USER slot, and receives every later message.

#include <windows.h>

namespace updater::win {

// Dialog must offer OnInitDialog(HWND) and HandleMessage(UINT, WPARAM, LPARAM) returning
// TRUE for a message it handled.
template <typename Dialog>
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<Dialog*>(lParam)->OnInitDialog(window);
        return TRUE;
    }
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    return dialog != nullptr ? dialog->HandleMessage(message, wParam, lParam) : FALSE;
}

}  // namespace updater::win
