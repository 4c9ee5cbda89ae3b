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
#include <utility>

#include "front/DialogTemplates.h"
#include "front/FileFilter.h"
#include "ui/DialogUnits.h"
#include "ui/FileFilter.h"
#include "ui/GroupFrame.h"
#include "ui/MessageBox.h"

namespace updater {

namespace {

// Special Settings' controls in its template (win/updater.rc).
constexpr const DialogTemplate& kTemplate = kSpecialSettingsTemplate;
constexpr const ControlTemplate& kSet = TemplateControl(kTemplate, "IDOK");
constexpr const ControlTemplate& kCancel = TemplateControl(kTemplate, "IDCANCEL");
constexpr const ControlTemplate& kBaudRateGroup = TemplateControl(kTemplate, "IDC_BAUD_RATE_GROUP");
constexpr const ControlTemplate& kSpeed57600 = TemplateControl(kTemplate, "IDC_SPEED_57600");
constexpr const ControlTemplate& kSpeed19200 = TemplateControl(kTemplate, "IDC_SPEED_19200");
constexpr const ControlTemplate& kSpeed38400 = TemplateControl(kTemplate, "IDC_SPEED_38400");
constexpr const ControlTemplate& kStopBit1 = TemplateControl(kTemplate, "IDC_STOP_BIT_1");
constexpr const ControlTemplate& kStopBit2 = TemplateControl(kTemplate, "IDC_STOP_BIT_2");
constexpr const ControlTemplate& kEncryptionGroup =
    TemplateControl(kTemplate, "IDC_ENCRYPTION_GROUP");
constexpr const ControlTemplate& kUnencrypted = TemplateControl(kTemplate, "IDC_UNENCRYPTED");
constexpr const ControlTemplate& kHexFileGroup = TemplateControl(kTemplate, "IDC_HEX_FILE_GROUP");
constexpr const ControlTemplate& kUseOwnFile = TemplateControl(kTemplate, "IDC_USE_OWN_FILE");
constexpr const ControlTemplate& kFilePath = TemplateControl(kTemplate, "IDC_FILE_PATH");
constexpr const ControlTemplate& kLineNote = TemplateControl(kTemplate, "IDC_LINE_NOTE");
constexpr const ControlTemplate& kRefer = TemplateControl(kTemplate, "IDC_REFER");
constexpr const ControlTemplate& kStopBitGroup = TemplateControl(kTemplate, "IDC_STOP_BIT_GROUP");

QString StandardFileChooser(QWidget* parent, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

}  // namespace

SpecialSettingsDialog::SpecialSettingsDialog(QWidget* owner, const UserSettings& settings)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      form_(settings),
      chooser_(StandardFileChooser) {
    setWindowTitle(QString::fromLatin1(kTemplate.caption.data(),
                                       static_cast<qsizetype>(kTemplate.caption.size())));
    setFont(TemplateFont(kTemplate,
                         {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("DejaVu Sans")},
                         QFont::Normal));
    BuildControls();
}

void SpecialSettingsDialog::SetFileChooser(FileChooserFunction chooser) {
    chooser_ = chooser ? std::move(chooser) : FileChooserFunction(StandardFileChooser);
}

void SpecialSettingsDialog::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.Size(kTemplate));

    // Template order, which is also the tab order.
    setButton_ = Place(new QPushButton(TemplateText(kSet), this), units, kSet, "setButton");
    setButton_->setDefault(true);
    cancelButton_ =
        Place(new QPushButton(TemplateText(kCancel), this), units, kCancel, "cancelButton");
    auto* baudRateGroup = Place(new QGroupBox(TemplateText(kBaudRateGroup), this), units,
                                kBaudRateGroup, "baudRateGroup");
    speed57600_ =
        Place(new QRadioButton(TemplateText(kSpeed57600), this), units, kSpeed57600, "speed57600");
    speed19200_ =
        Place(new QRadioButton(TemplateText(kSpeed19200), this), units, kSpeed19200, "speed19200");
    speed19200_->setVisible(false);
    speed19200_->setEnabled(false);
    speed38400_ =
        Place(new QRadioButton(TemplateText(kSpeed38400), this), units, kSpeed38400, "speed38400");
    stopBit1_ =
        Place(new QRadioButton(TemplateText(kStopBit1), this), units, kStopBit1, "stopBit1");
    stopBit2_ =
        Place(new QRadioButton(TemplateText(kStopBit2), this), units, kStopBit2, "stopBit2");
    auto* encryptionGroup = Place(new QGroupBox(TemplateText(kEncryptionGroup), this), units,
                                  kEncryptionGroup, "encryptionGroup");
    unencryptedBox_ =
        Place(new QCheckBox(TemplateText(kUnencrypted), this), units, kUnencrypted, "unencrypted");
    auto* fileGroup = Place(new QGroupBox(TemplateText(kHexFileGroup), this), units, kHexFileGroup,
                            "hexFileGroup");
    useOwnFileBox_ =
        Place(new QCheckBox(TemplateText(kUseOwnFile), this), units, kUseOwnFile, "useOwnFile");
    filePathEdit_ = Place(new QLineEdit(this), units, kFilePath, "filePathEdit");
    filePathEdit_->setReadOnly(true);
    auto* note = Place(new QLabel(TemplateText(kLineNote), this), units, kLineNote, "lineNote");
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    referButton_ = Place(new QPushButton(TemplateText(kRefer), this), units, kRefer, "referButton");
    auto* stopBitGroup = Place(new QGroupBox(TemplateText(kStopBitGroup), this), units,
                               kStopBitGroup, "stopBitGroup");

    // Fallback fonts run wider than the template's: let a check box or radio button take the
    // width its text needs, within its frame.
    using InFrame = std::pair<QAbstractButton*, const ControlTemplate&>;
    for (const auto& [button, frame] :
         {InFrame{speed57600_, kBaudRateGroup}, InFrame{speed38400_, kBaudRateGroup},
          InFrame{stopBit1_, kStopBitGroup}, InFrame{stopBit2_, kStopBitGroup},
          InFrame{unencryptedBox_, kEncryptionGroup}, InFrame{useOwnFileBox_, kHexFileGroup}}) {
        const int frameRight = units.X(frame.Right()) - button->x();
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
