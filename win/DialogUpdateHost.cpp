// The window's side of an update: the progress bar that the pass thread moves with window
// messages, the message boxes, and waiting for a pass while the dialog keeps serving.

#include "win/CommonControls.h"
#include "win/MessageBox.h"
#include "win/UpdaterDialog.h"
#include "win/resource.h"

namespace updater::win {

void UpdaterDialog::SetProgressRange(int maximum) {
    SendMessageW(Control(IDC_PROGRESS), PBM_SETRANGE32, 0, maximum);
}

void UpdaterDialog::SetProgressPosition(int position) {
    // From the pass thread this waits until the user-interface thread has moved the bar.
    // Below the range (-1 at the end of an update) the bar clamps to empty.
    SendMessageW(Control(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int UpdaterDialog::ShowMessage(const std::string& text, const std::string& caption,
                               unsigned style) {
    return ShowMessageBox(window_, text, caption, style);
}

void UpdaterDialog::PassFinished() { SendMessageW(window_, WM_PASS_FINISHED, 0, 0); }

void UpdaterDialog::WaitForPass() {
    // Sleeps until a message arrives, then serves what is there: the pass thread's progress
    // and its end come as sent messages, which PeekMessage delivers without returning them.
    bool quit = false;
    int quitCode = 0;
    while (!passFinished_) {
        MSG message;
        while (!passFinished_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The program is asked to end; that waits until the pass has ended.
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!passFinished_) {
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
    passFinished_ = false;
    if (quit) PostQuitMessage(quitCode);
}

}  // namespace updater::win
