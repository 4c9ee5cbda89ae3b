#include "app/UpdaterDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "app/DiscardInput.h"
#include "app/GuiThreadCalls.h"
#include "app/PortScan.h"
#include "protocol/Commands.h"
#include "protocol/Messages.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBox.h"
#include "ui/PortListBox.h"
#include "ui/StatusBanner.h"
#include "ui/UiResources.h"

namespace updater {

namespace {

// Nine blanks between the model names and the version, as the title has always been laid out.
constexpr const char* kTitleVersionSeparator = "         Ver. ";
constexpr const char* kInvalidVersion = "Invalid Firm";
constexpr const char* kCheckingPorts = "Checking COM Port Connection.....";

}  // namespace

UpdaterDialog::UpdaterDialog(QWidget* parent, LinkPort& link, UpdaterDialogOptions options)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      link_(link),
      options_(std::move(options)),
      guiCalls_(new GuiThreadCalls(this)) {
    setWindowIcon(ApplicationIcon());
    setFont(TemplateFont({QStringLiteral("Arial Black"), QStringLiteral("Arial"),
                          QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                         9, QFont::Black));
    BuildControls();
}

UpdaterDialog::~UpdaterDialog() = default;

void UpdaterDialog::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.Size(322, 113));

    // Template order, which is also the tab order. OK, the path box and Open are kept hidden:
    // they have no behaviour but take part in the greying during an update.
    okButton_ = Place(new QPushButton(tr("OK"), this), units, 195, 5, 50, 14, "okButton");
    okButton_->setVisible(false);
    okButton_->setEnabled(false);
    okButton_->setAutoDefault(false);
    exitButton_ = Place(new QPushButton(tr("&Exit"), this), units, 258, 84, 50, 14, "exitButton");
    exitButton_->setDefault(true);
    pathEdit_ = Place(new QLineEdit(this), units, 7, 89, 195, 15, "pathEdit");
    pathEdit_->setVisible(false);
    openButton_ = Place(new QPushButton(tr("Open"), this), units, 215, 88, 35, 14, "openButton");
    openButton_->setVisible(false);
    progressBar_ = Place(new QProgressBar(this), units, 13, 60, 295, 14, "progressBar");
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    writeButton_ =
        Place(new QPushButton(tr("&Write"), this), units, 195, 84, 55, 14, "writeButton");
    Place(new QLabel(tr("Com Port:"), this), units, 15, 36, 45, 11, "portLabel");
    portList_ = Place(new PortListBox(this), units, 65, 34, 60, 63, "portList");
    // An adapter plugged in (or back under another name) since the last look shows up.
    portList_->SetBeforeOpening([this] { RescanPorts(); });
    // A closed drop-down list is one line high; the template height is that of the open list.
    portList_->resize(portList_->width(), portList_->sizeHint().height());
    specialSettingsButton_ = Place(new QPushButton(tr("Special Settings"), this), units, 250, 5, 60,
                                   14, "specialSettingsButton");
    specialSettingsButton_->setVisible(false);
    Place(new QLabel(tr("Progress"), this), units, 15, 49, 80, 8, "progressLabel");

    connect(exitButton_, &QPushButton::clicked, this, &UpdaterDialog::OnCancel);
    connect(writeButton_, &QPushButton::clicked, this, &UpdaterDialog::OnWrite);
    connect(portList_, &QComboBox::activated, this, &UpdaterDialog::OnSelchangePort);
    connect(specialSettingsButton_, &QPushButton::clicked, this, &UpdaterDialog::OnSpecialSettings);
}

void UpdaterDialog::OnInitDialog() {
    if (initialised_) return;
    initialised_ = true;

    imageValid_ = true;
    writeButton_->setEnabled(false);
    exitButton_->setEnabled(false);

    speedChoice = 5;
    stopBits = 2;
    unencrypted = 0;
    useOwnFile = 0;
    ownFilePath.clear();

    LoadAndValidateImage(ImageLoadForm::StartUp);
    SetCaption();

    PlaceBeforeShowing();
    EnableBanner(1);
    SetBannerTexts({windowTitle(), QString::fromLatin1(kCheckingPorts), {}, {}, {}, {}, {}});
    ShowBanner(this);
    EnumeratePorts();
    HideBanner();

    specialSettingsButton_->setVisible(options_.specialSettingsFlag == 1);
    writeButton_->setEnabled(imageValid_);
    exitButton_->setEnabled(true);
}

void UpdaterDialog::PlaceBeforeShowing() {
    // The banner stands over the window, so the window takes its place on screen first.
    if (isVisible()) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void UpdaterDialog::LoadAndValidateImage(ImageLoadForm form) {
    // A fresh image each time, so that a reload never mixes blocks of two files.
    FirmwareImage loaded;
    const std::string path = useOwnFile != 0 ? ownFilePath : std::string();
    const bool valid = options_.imageLoader
                           ? options_.imageLoader(loaded, path, useOwnFile, form)
                           : updater::LoadAndValidateImage(loaded, path, useOwnFile, form);
    image_ = std::move(loaded);
    if (!valid) {
        ShowMessageBox(this, kTextInvalidImage, kCaptionError, MB_OK_ONLY);
        static_cast<void>(CloseLink(link_, nullptr));  // the image is refused either way
        imageValid_ = false;
    }
}

void UpdaterDialog::SetCaption() {
    const std::string version = imageValid_ ? image_.VersionText() : kInvalidVersion;
    setWindowTitle(QString::fromLatin1(
        (std::string(kCaptionUpdater) + kTitleVersionSeparator + version).c_str()));
}

void UpdaterDialog::EnumeratePorts() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<PortInfo> ports = FindPorts();
    FillPortList(ports, QString());
    if (ports.empty()) portList_->setEnabled(false);
    DiscardInput();
    QApplication::restoreOverrideCursor();
}

void UpdaterDialog::RescanPorts() {
    const QString selected = portList_->currentData().toString();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<PortInfo> ports = FindPorts();
    QApplication::restoreOverrideCursor();
    FillPortList(ports, selected);
}

std::vector<PortInfo> UpdaterDialog::FindPorts() {
    return options_.portEnumerator ? options_.portEnumerator(link_) : ScanSystemPorts(link_);
}

void UpdaterDialog::FillPortList(const std::vector<PortInfo>& ports,
                                 const QString& preferredDevice) {
    portList_->clear();
    for (const PortInfo& port : ports) {
        portList_->addItem(QString::fromStdString(port.Label()),
                           QString::fromStdString(port.device));
    }
    if (ports.empty()) return;
    const int preferred = portList_->findData(preferredDevice);
    const int index = preferred >= 0 ? preferred : 0;
    portList_->setCurrentIndex(index);
    OnSelchangePort(index);
    // Descriptions are longer than the numbers the list was laid out for: let the list grow to
    // the right, where the row is free, up to the progress bar's end.
    const DialogUnits units(font());
    portList_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const int widest = units.X(308) - portList_->x();
    portList_->resize(std::clamp(portList_->sizeHint().width(), portList_->width(), widest),
                      portList_->height());
}

void UpdaterDialog::OnSelchangePort(int index) {
    if (index < 0) return;
    // A name that will not open shows at Write, with its message.
    static_cast<void>(link_.SetPortName(portList_->itemData(index).toString().toStdString()));
}

void UpdaterDialog::OnSpecialSettings() {
    SpecialSettingsDialog dialog(this);
    if (options_.fileChooser) dialog.SetFileChooser(options_.fileChooser);
    dialog.speedChoice = speedChoice;
    dialog.stopBits = stopBits;
    dialog.unencrypted = unencrypted;
    dialog.useOwnFile = useOwnFile;
    dialog.ownFilePath = ownFilePath;
    if (dialog.exec() != QDialog::Accepted) return;

    speedChoice = dialog.speedChoice;
    stopBits = dialog.stopBits;
    unencrypted = dialog.unencrypted;
    useOwnFile = dialog.useOwnFile;
    ownFilePath = dialog.ownFilePath;

    imageValid_ = true;
    writeButton_->setEnabled(false);
    exitButton_->setEnabled(false);
    LoadAndValidateImage(ImageLoadForm::SpecialSettings);
    SetCaption();
    writeButton_->setEnabled(imageValid_);
    exitButton_->setEnabled(true);
}

void UpdaterDialog::OnCancel() {
    if (updateRunning_ || !exitButton_->isEnabled()) return;
    if (ShowMessageBox(this, kTextExitQuestion, kCaptionConfirmation, MB_OKCANCEL_QUESTION) ==
        ID_CANCEL) {
        return;
    }
    exitConfirmed_ = true;
    QDialog::reject();
}

void UpdaterDialog::reject() { OnCancel(); }

void UpdaterDialog::closeEvent(QCloseEvent* event) {
    // The close box asks like Exit does, and has no effect while Exit is unavailable.
    if (exitConfirmed_) {
        event->accept();
        return;
    }
    event->ignore();
    OnCancel();
}

}  // namespace updater
