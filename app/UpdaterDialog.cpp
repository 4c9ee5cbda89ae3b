#include "app/UpdaterDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>

#include "app/DiscardInput.h"
#include "app/GuiThreadCalls.h"
#include "front/DialogTemplates.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBox.h"
#include "ui/PortListBox.h"
#include "ui/StatusBanner.h"
#include "ui/UiResources.h"

namespace updater {

namespace {

// The main dialog's controls in its template (win/updater.rc).
constexpr const ControlTemplate& kOk = TemplateControl(kUpdaterTemplate, "IDOK");
constexpr const ControlTemplate& kExit = TemplateControl(kUpdaterTemplate, "IDCANCEL");
constexpr const ControlTemplate& kPathEdit = TemplateControl(kUpdaterTemplate, "IDC_PATH_EDIT");
constexpr const ControlTemplate& kOpen = TemplateControl(kUpdaterTemplate, "IDC_OPEN");
constexpr const ControlTemplate& kProgress = TemplateControl(kUpdaterTemplate, "IDC_PROGRESS");
constexpr const ControlTemplate& kWrite = TemplateControl(kUpdaterTemplate, "IDC_WRITE");
constexpr const ControlTemplate& kPortLabel = TemplateControl(kUpdaterTemplate, "IDC_PORT_LABEL");
constexpr const ControlTemplate& kPortList = TemplateControl(kUpdaterTemplate, "IDC_PORT_LIST");
constexpr const ControlTemplate& kSpecialSettings =
    TemplateControl(kUpdaterTemplate, "IDC_SPECIAL_SETTINGS");
constexpr const ControlTemplate& kProgressLabel =
    TemplateControl(kUpdaterTemplate, "IDC_PROGRESS_LABEL");
constexpr const ControlTemplate& kStep = TemplateControl(kUpdaterTemplate, "IDC_STEP");

}  // namespace

UpdaterDialog::UpdaterDialog(QWidget* parent, LinkPort& link, UpdaterDialogOptions options)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      fileChooser_(options.fileChooser),
      saveFileChooser_(options.saveFileChooser),
      core_(*this, link, options),
      guiCalls_(new GuiThreadCalls(this)) {
    setWindowIcon(ApplicationIcon());
    setFont(TemplateFont(
        kUpdaterTemplate,
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
        QFont::Black));
    BuildControls();
    BuildTraceMenu();
    WatchPorts();
}

UpdaterDialog::~UpdaterDialog() = default;

void UpdaterDialog::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.Size(kUpdaterTemplate));

    // Template order, which is also the tab order. OK, the path box and Open are kept hidden:
    // they have no behaviour but take part in the greying during an update.
    okButton_ = Place(new QPushButton(TemplateText(kOk), this), units, kOk, "okButton");
    okButton_->setVisible(false);
    okButton_->setEnabled(false);
    okButton_->setAutoDefault(false);
    exitButton_ = Place(new QPushButton(TemplateText(kExit), this), units, kExit, "exitButton");
    exitButton_->setDefault(true);
    pathEdit_ = Place(new QLineEdit(this), units, kPathEdit, "pathEdit");
    pathEdit_->setVisible(false);
    openButton_ = Place(new QPushButton(TemplateText(kOpen), this), units, kOpen, "openButton");
    openButton_->setVisible(false);
    progressBar_ = Place(new QProgressBar(this), units, kProgress, "progressBar");
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    writeButton_ = Place(new QPushButton(TemplateText(kWrite), this), units, kWrite, "writeButton");
    Place(new QLabel(TemplateText(kPortLabel), this), units, kPortLabel, "portLabel");
    portList_ = Place(new PortListBox(this), units, kPortList, "portList");
    // An adapter plugged in (or back under another name) since the last look shows up.
    portList_->SetBeforeOpening([this] { core_.OnPortListOpening(); });
    // A closed drop-down list is one line high; the template height is that of the open list.
    portList_->resize(portList_->width(), portList_->sizeHint().height());
    specialSettingsButton_ = Place(new QPushButton(TemplateText(kSpecialSettings), this), units,
                                   kSpecialSettings, "specialSettingsButton");
    specialSettingsButton_->setVisible(false);
    Place(new QLabel(TemplateText(kProgressLabel), this), units, kProgressLabel, "progressLabel");
    // The running step, in the free band above the port list (left of Special Settings).
    stepLabel_ = Place(new QLabel(this), units, kStep, "stepLabel");
    controls_ = {okButton_, exitButton_,           pathEdit_, openButton_, writeButton_,
                 portList_, specialSettingsButton_};

    connect(exitButton_, &QPushButton::clicked, this, [this] { core_.OnCancel(); });
    connect(writeButton_, &QPushButton::clicked, this, [this] { core_.OnWrite(); });
    connect(portList_, &QComboBox::activated, this,
            [this](int index) { core_.OnSelchangePort(index); });
    connect(specialSettingsButton_, &QPushButton::clicked, this,
            [this] { core_.OnSpecialSettings(); });
}

void UpdaterDialog::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromUtf8(caption));
}

void UpdaterDialog::EnableControl(DialogControl control, bool enabled) {
    controls_[static_cast<size_t>(control)]->setEnabled(enabled);
}

void UpdaterDialog::ShowControl(DialogControl control, bool shown) {
    controls_[static_cast<size_t>(control)]->setVisible(shown);
}

void UpdaterDialog::EnableCloseCommand(bool) {
    // Qt has no system menu item to grey: closeEvent asks the core, which refuses while an
    // update runs.
}

void UpdaterDialog::FillPortList(const std::vector<PortInfo>& ports) {
    portList_->clear();
    for (const PortInfo& port : ports) {
        portList_->addItem(QString::fromStdString(port.Label()),
                           QString::fromStdString(port.device));
    }
    portList_->FitOpenListToLabels();
}

void UpdaterDialog::WatchPorts() {
    // Without a monitor (no udev) the list still follows when it is opened.
    if (portWatch_.Descriptor() < 0) return;
    auto* notifier = new QSocketNotifier(portWatch_.Descriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        if (portWatch_.TakeReports()) core_.OnPortsChanged();
    });
}

void UpdaterDialog::SelectPort(int index) { portList_->setCurrentIndex(index); }

int UpdaterDialog::SelectedPort() const { return portList_->currentIndex(); }

void UpdaterDialog::ShowStatusBanner() {
    PlaceBeforeShowing();
    ShowBanner(this);
}

void UpdaterDialog::HideStatusBanner() { HideBanner(); }

void UpdaterDialog::PlaceBeforeShowing() {
    // The banner stands over the window, so the window takes its place on screen first.
    if (isVisible()) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void UpdaterDialog::ShowWaitCursor(bool waiting) {
    if (waiting) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void UpdaterDialog::DiscardInput() { updater::DiscardInput(); }

bool UpdaterDialog::RunSpecialSettings(UserSettings& settings) {
    SpecialSettingsDialog dialog(this, settings);
    if (fileChooser_) dialog.SetFileChooser(fileChooser_);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings = dialog.Settings();
    return true;
}

void UpdaterDialog::EndDialog() {
    exitConfirmed_ = true;
    QDialog::reject();
}

void UpdaterDialog::reject() { core_.OnCancel(); }

void UpdaterDialog::closeEvent(QCloseEvent* event) {
    // The close box asks like Exit does, and has no effect while Exit is unavailable.
    if (exitConfirmed_) {
        event->accept();
        return;
    }
    event->ignore();
    core_.OnCancel();
}

}  // namespace updater
