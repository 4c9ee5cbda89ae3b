// The window's side of an update: the update runs on a thread of its own while the dialog
// keeps serving its messages; its progress, messages and steps reach the dialog's thread as
// sent window messages, which return once they are shown.

#include <exception>
#include <thread>

#include "win/CommonControls.h"
#include "win/MessageBox.h"
#include "win/UpdaterDialog.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater::win {

void UpdaterDialog::RunWhileServing(const std::function<void()>& work) {
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (finished == nullptr) {
        work();  // no event to wait on: run it here rather than not at all
        return;
    }
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        SetEvent(finished);
    });
    // Sleeps until a message arrives or the update has returned, then serves what is there;
    // the update's sent messages are delivered by PeekMessage without being returned.
    bool quit = false;
    int quitCode = 0;
    while (MsgWaitForMultipleObjectsEx(1, &finished, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
           WAIT_OBJECT_0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The program is asked to end; that waits until the update has returned.
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    worker.join();
    CloseHandle(finished);
    if (quit) PostQuitMessage(quitCode);
    if (failure) std::rethrow_exception(failure);
}

void UpdaterDialog::SetProgressRange(int maximum) {
    SendMessageW(Control(IDC_PROGRESS), PBM_SETRANGE32, 0, maximum);
}

void UpdaterDialog::SetProgressPosition(int position) {
    // From another thread this waits until the dialog's thread has moved the bar. Below the
    // range (-1 at the end of an update) the bar clamps to empty.
    SendMessageW(Control(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int UpdaterDialog::ShowMessage(const std::string& text, const std::string& caption,
                               unsigned style) {
    MessageRequest request{text, caption, style, ID_OK};
    if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
        ShowRequestedMessage(request);
    } else {
        // A message box belongs on its owner's thread.
        SendMessageW(window_, WM_SHOW_MESSAGE, 0, reinterpret_cast<LPARAM>(&request));
    }
    return request.answer;
}

void UpdaterDialog::ShowRequestedMessage(MessageRequest& request) {
    request.answer = ShowMessageBox(window_, request.text, request.caption, request.style);
}

void UpdaterDialog::ShowStep(const std::string& step) {
    // From another thread the text is set through a sent message, like the bar's position.
    SetDlgItemTextW(window_, IDC_STEP, WideFromUtf8(step).c_str());
}

}  // namespace updater::win
