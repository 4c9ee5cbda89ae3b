// The Write button's update and the dialog's side of it: greying the controls, the progress
// bar that the transfer thread moves, the messages, and waiting for a transfer pass.

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <algorithm>

#include "app/GuiThreadCalls.h"
#include "app/UpdaterDialog.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/Update.h"
#include "ui/MessageBox.h"
#include "ui/PortListBox.h"

namespace updater {

void UpdaterDialog::OnWrite() {
    if (updateRunning_) return;
    updateRunning_ = true;
    DisableControls();
    progressBar_->setValue(progressBar_->minimum());

    link_.unencrypted = static_cast<uint8_t>(unencrypted);
    link_.stopBits = stopBits;
    // No port was found so far: look again, for an adapter plugged in since.
    if (portList_->currentIndex() < 0) RescanPorts();
    const int selected = portList_->currentIndex();
    if (selected < 0) {
        // Still none: nothing to open, so say so instead of trying whichever device the scan
        // touched last.
        ShowMessage(ErrorMessageText(ERR_PORT_OPEN), kCaptionError, MB_OK_STOP);
    } else {
        // A name that will not open shows at OpenPort, with its message.
        static_cast<void>(
            link_.SetPortName(portList_->itemData(selected).toString().toStdString()));
        const UpdateSettings settings{speedChoice, stopBits, unencrypted};
        RunUpdate(link_, *this, image_, settings);
    }

    SetProgressPosition(-1);
    EnableControls();
    updateRunning_ = false;
}

void UpdaterDialog::DisableControls() { SetControlsEnabled(false); }

void UpdaterDialog::EnableControls() { SetControlsEnabled(true); }

void UpdaterDialog::SetControlsEnabled(bool enabled) {
    // Open, the path box, Write, Exit, the port list, then Special Settings where it is shown.
    // The close box is refused in closeEvent while Exit is greyed.
    openButton_->setEnabled(enabled);
    pathEdit_->setEnabled(enabled);
    writeButton_->setEnabled(enabled);
    exitButton_->setEnabled(enabled);
    portList_->setEnabled(enabled);
    if (options_.specialSettingsFlag == 1) specialSettingsButton_->setEnabled(enabled);
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
    guiCalls_->Run([&] { answer = ShowMessageBox(this, text, caption, style); });
    return answer;
}

void UpdaterDialog::PassFinished() {
    guiCalls_->Run([this] { OnPassFinished(); });
}

void UpdaterDialog::OnPassFinished() {
    passFinished = 1;
    if (passLoop_) passLoop_->quit();
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
