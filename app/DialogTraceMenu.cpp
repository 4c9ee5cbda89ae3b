// The window's trace of the last update: "Save trace of the last update…" in the dialog's
// context menu, greyed until an update has ended and while one runs, and the save dialog.

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

#include "app/UpdaterDialog.h"
#include "front/TraceSaving.h"
#include "ui/FileFilter.h"

namespace updater {

namespace {

QString StandardSaveFileChooser(QWidget* parent, const QString& suggestedName,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), QDir::home().filePath(suggestedName),
                                        filter);
}

}  // namespace

void UpdaterDialog::BuildTraceMenu() {
    if (!saveFileChooser_) saveFileChooser_ = StandardSaveFileChooser;
    saveTraceAction_ = new QAction(QString::fromUtf8(kTextSaveTrace), this);
    saveTraceAction_->setObjectName(QStringLiteral("saveTraceAction"));
    saveTraceAction_->setEnabled(false);  // no update has ended yet
    connect(saveTraceAction_, &QAction::triggered, this, [this] { core_.OnSaveTrace(); });
}

void UpdaterDialog::EnableTraceSaving(bool enabled) { saveTraceAction_->setEnabled(enabled); }

std::string UpdaterDialog::ChooseTraceFile(const std::string& suggestedName) {
    return saveFileChooser_(this, QString::fromStdString(suggestedName),
                            QtFileFilter(kTraceFileFilter))
        .toStdString();
}

void UpdaterDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(saveTraceAction_);
    menu.exec(event->globalPos());
    event->accept();
}

}  // namespace updater
