#include "ui/SpecialSettingsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <initializer_list>

#include "front/FileFilter.h"
#include "ui/DialogUnits.h"
#include "ui/FileFilter.h"
#include "ui/GroupFrame.h"
#include "ui/MessageBox.h"

namespace updater {

namespace {

constexpr const char* kLineNote =
    "This Baud Rate is used after PC reeives SYN from the radio.\n"
    "This Stop Bit is used after PC receives SYN from the radio.";

QString StandardFileChooser(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

}  // namespace

SpecialSettingsDialog::SpecialSettingsDialog(QWidget* owner, const UserSettings& settings)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      form_(settings),
      chooser_(StandardFileChooser) {
    setWindowTitle(QStringLiteral("Special Settings"));
    setFont(TemplateFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                          QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                         8, QFont::Normal));
    BuildControls();
}

void SpecialSettingsDialog::SetFileChooser(FileChooserFunction chooser) {
    chooser_ = chooser ? std::move(chooser) : FileChooserFunction(StandardFileChooser);
}

void SpecialSettingsDialog::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.Size(252, 278));

    // Template order, which is also the tab order.
    setButton_ = Place(new QPushButton(tr("Set"), this), units, 65, 257, 50, 14, "setButton");
    setButton_->setDefault(true);
    cancelButton_ =
        Place(new QPushButton(tr("Cancel"), this), units, 140, 257, 50, 14, "cancelButton");
    auto* baudRateGroup =
        Place(new QGroupBox(tr("Baud Rate"), this), units, 5, 5, 240, 64, "baudRateGroup");
    speed57600_ =
        Place(new QRadioButton(tr("57600 bps"), this), units, 7, 29, 110, 15, "speed57600");
    speed19200_ =
        Place(new QRadioButton(tr("19200 bps"), this), units, 125, 49, 110, 15, "speed19200");
    speed19200_->setVisible(false);
    speed19200_->setEnabled(false);
    speed38400_ =
        Place(new QRadioButton(tr("38400 bps"), this), units, 7, 13, 110, 15, "speed38400");
    stopBit1_ = Place(new QRadioButton(tr("Stop bit 1"), this), units, 10, 83, 115, 15, "stopBit1");
    stopBit2_ = Place(new QRadioButton(tr("Stop bit 2"), this), units, 10, 99, 115, 15, "stopBit2");
    auto* encryptionGroup =
        Place(new QGroupBox(tr("Encryption"), this), units, 5, 123, 240, 35, "encryptionGroup");
    unencryptedBox_ = Place(new QCheckBox(tr("Unencrypted communication"), this), units, 9, 135,
                            100, 15, "unencrypted");
    auto* fileGroup =
        Place(new QGroupBox(tr("Hex file"), this), units, 5, 163, 240, 50, "hexFileGroup");
    useOwnFileBox_ =
        Place(new QCheckBox(tr("Use my Hex/Mot file"), this), units, 9, 173, 175, 15, "useOwnFile");
    filePathEdit_ = Place(new QLineEdit(this), units, 9, 190, 196, 13, "filePathEdit");
    filePathEdit_->setReadOnly(true);
    auto* note =
        Place(new QLabel(QString::fromLatin1(kLineNote), this), units, 5, 218, 240, 25, "lineNote");
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    referButton_ =
        Place(new QPushButton(tr("Refer"), this), units, 210, 189, 30, 15, "referButton");
    auto* stopBitGroup =
        Place(new QGroupBox(tr("Stop Bit"), this), units, 5, 73, 240, 45, "stopBitGroup");

    // Fallback fonts run wider than the template's: let a check box or radio button take the
    // width its text needs, within its frame.
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             speed57600_, speed38400_, stopBit1_, stopBit2_, unencryptedBox_, useOwnFileBox_}) {
        const int frameRight = units.X(245) - button->x();
        button->resize(std::clamp(button->sizeHint().width(), button->width(),
                                  std::max(button->width(), frameRight)),
                       button->height());
    }

    // The frames stand behind the controls they surround.
    for (QGroupBox* group : {baudRateGroup, encryptionGroup, fileGroup, stopBitGroup}) {
        PlaceTitleOnFrame(group, units);
        group->lower();
    }

    auto* speedGroup = new QButtonGroup(this);
    for (QRadioButton* button : {speed57600_, speed19200_, speed38400_}) {
        speedGroup->addButton(button);
    }
    auto* stopGroup = new QButtonGroup(this);
    stopGroup->addButton(stopBit1_);
    stopGroup->addButton(stopBit2_);
}

void SpecialSettingsDialog::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
        ConnectHandlers();
    }
    QDialog::showEvent(event);
}

void SpecialSettingsDialog::OnInitDialog() {
    // The path box starts empty whatever the path holds: a file is chosen anew each time.
    filePathEdit_->clear();
    filePathEdit_->setEnabled(form_.FileControlsEnabled());
    referButton_->setEnabled(form_.FileControlsEnabled());
    useOwnFileBox_->setChecked(form_.UseOwnFileChecked());
    unencryptedBox_->setChecked(form_.UnencryptedChecked());
    const std::array<QRadioButton*, kSpeedButtonCount> speeds{speed57600_, speed19200_,
                                                              speed38400_};
    speeds[static_cast<size_t>(form_.CheckedSpeed())]->setChecked(true);
    (form_.CheckedStopBit() == StopBitButton::StopBit2 ? stopBit2_ : stopBit1_)->setChecked(true);
}

void SpecialSettingsDialog::ConnectHandlers() {
    // Connected after the initial checks, so that opening the dialog changes no value.
    const auto onChecked = [this](QRadioButton* button, auto handler) {
        connect(button, &QRadioButton::toggled, this, [handler](bool checked) {
            if (checked) handler();
        });
    };
    onChecked(speed57600_, [this] { form_.OnSpeed(SpeedButton::Speed57600); });
    onChecked(speed19200_, [this] { form_.OnSpeed(SpeedButton::Speed19200); });
    onChecked(speed38400_, [this] { form_.OnSpeed(SpeedButton::Speed38400); });
    onChecked(stopBit1_, [this] { form_.OnStopBit(StopBitButton::StopBit1); });
    onChecked(stopBit2_, [this] { form_.OnStopBit(StopBitButton::StopBit2); });
    connect(unencryptedBox_, &QCheckBox::toggled, this, [this] { form_.OnUnencrypted(); });
    connect(useOwnFileBox_, &QCheckBox::toggled, this, &SpecialSettingsDialog::OnUseOwnFile);
    connect(referButton_, &QPushButton::clicked, this, &SpecialSettingsDialog::OnRefer);
    connect(setButton_, &QPushButton::clicked, this, &SpecialSettingsDialog::OnSet);
    connect(cancelButton_, &QPushButton::clicked, this, &SpecialSettingsDialog::reject);
}

void SpecialSettingsDialog::OnUseOwnFile() {
    form_.OnUseOwnFile();
    filePathEdit_->setEnabled(form_.FileControlsEnabled());
    referButton_->setEnabled(form_.FileControlsEnabled());
}

void SpecialSettingsDialog::OnRefer() {
    const QString path = chooser_(this, QtFileFilter(kImageFileFilter));
    if (path.isEmpty()) return;
    form_.OnFileChosen(QFile::encodeName(path).toStdString());
    filePathEdit_->setText(path);
}

void SpecialSettingsDialog::OnSet() {
    if (const auto refusal = form_.RefusalOnSet(filePathEdit_->text().isEmpty())) {
        ShowMessageBox(this, refusal->text, refusal->caption, refusal->style);
        return;
    }
    accept();
}

}  // namespace updater
