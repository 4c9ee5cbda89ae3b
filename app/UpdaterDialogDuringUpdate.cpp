// The window's side of an update: the update runs on a thread of its own while the window
// keeps serving; its progress, messages and steps reach the window's thread as synchronous
// calls.

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <exception>
#include <thread>

#include "app/GuiThreadCalls.h"
#include "app/UpdaterDialog.h"
#include "ui/MessageBox.h"

namespace updater {

void UpdaterDialog::RunWhileServing(const std::function<void()>& work) {
    bool done = false;  // the window's thread only
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        guiCalls_->Run([&] {
            done = true;
            loop.quit();
        });
    });
    while (!done) {
        if (loop.exec() != 0) {
            // The application is quitting and nested loops return at once: keep serving
            // events, waiting for them, until the update has returned.
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

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
    guiCalls_->Run([&] {
        // A question asked while the update runs gets the arrow, not the wait cursor.
        const bool busy = QApplication::overrideCursor() != nullptr;
        if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
        answer = ShowMessageBox(this, text, caption, style);
        if (busy) QApplication::restoreOverrideCursor();
    });
    return answer;
}

void UpdaterDialog::ShowStep(const std::string& step) {
    guiCalls_->Run([this, &step] { stepLabel_->setText(QString::fromStdString(step)); });
}

}  // namespace updater
