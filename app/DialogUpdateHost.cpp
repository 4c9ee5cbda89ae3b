// The window's side of an update: the progress bar that the transfer thread moves, the
// message boxes, and waiting for a transfer pass in a nested event loop.

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <algorithm>

#include "app/GuiThreadCalls.h"
#include "app/UpdaterDialog.h"
#include "ui/MessageBox.h"

namespace updater {

void UpdaterDialog::SetProgressRange(int maximum) {
    guiCalls_->Run([this, maximum] {
        // A range of 0 would put Qt's bar into its animated busy state: keep it determinate.
        progressBar_->setRange(0, std::max(1, maximum));
        progressBar_->reset();
    });
}

void UpdaterDialog::SetProgressPosition(int position) {
    guiCalls_->Run([this, position] { ShowProgress(position); });
}

void UpdaterDialog::ShowProgress(int position) {
    // Positions outside the range are pinned to its ends; below it the bar is emptied, back
    // to the determinate 0..1 it shows between updates.
    if (position < progressBar_->minimum()) {
        progressBar_->setRange(0, 1);
        progressBar_->setValue(0);
    } else {
        progressBar_->setValue(std::min(position, progressBar_->maximum()));
    }
}

int UpdaterDialog::ShowMessage(const std::string& text, const std::string& caption,
                               unsigned style) {
    int answer = ID_OK;
    guiCalls_->Run([&] { answer = ShowMessageBox(this, text, caption, style); });
    return answer;
}

void UpdaterDialog::PassFinished() {
    guiCalls_->Run([this] {
        passFinished = 1;
        if (passLoop_) passLoop_->quit();
    });
}

void UpdaterDialog::WaitForPass() {
    // The pass may have reported already if the update served events before waiting.
    while (passFinished == 0) {
        QEventLoop loop;
        passLoop_ = &loop;
        if (loop.exec() != 0) {
            // The application is quitting and nested loops return at once: keep serving
            // events, waiting for them, until the pass has reported.
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    passLoop_ = nullptr;
    passFinished = 0;
}

}  // namespace updater
