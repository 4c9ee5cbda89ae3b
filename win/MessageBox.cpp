#include "win/MessageBox.h"

#include "front/MessageHook.h"
#include "protocol/UpdateHost.h"
#include "win/WideText.h"

namespace updater::win {

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                   unsigned style) {
    if (const auto answer = HookedAnswer(text, caption, style)) return *answer;
    // The styles are the system's own: buttons in the low bits, the icon above them.
    const int answer =
        MessageBoxW(owner, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(), style);
    return answer == IDCANCEL ? ID_CANCEL : ID_OK;
}

}  // namespace updater::win
