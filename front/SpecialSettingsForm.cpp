#include "front/SpecialSettingsForm.h"

#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"

namespace updater {

SpeedButton SpecialSettingsForm::CheckedSpeed() const {
    if (settings_.speedChoice == SpeedChoice::Speed38400ByHiddenButton)
        return SpeedButton::Speed19200;
    if (settings_.speedChoice == SpeedChoice::Speed57600) return SpeedButton::Speed57600;
    return SpeedButton::Speed38400;
}

StopBitButton SpecialSettingsForm::CheckedStopBit() const {
    return settings_.stopBits == 2 ? StopBitButton::StopBit2 : StopBitButton::StopBit1;
}

void SpecialSettingsForm::OnSpeed(SpeedButton button) {
    switch (button) {
        case SpeedButton::Speed57600:
            settings_.speedChoice = SpeedChoice::Speed57600;
            break;
        case SpeedButton::Speed19200:
            settings_.speedChoice = SpeedChoice::Speed38400ByHiddenButton;
            break;
        case SpeedButton::Speed38400:
            settings_.speedChoice = SpeedChoice::Speed38400;
            break;
    }
}

void SpecialSettingsForm::OnStopBit(StopBitButton button) {
    settings_.stopBits = button == StopBitButton::StopBit1 ? 1 : 2;
}

void SpecialSettingsForm::OnUnencrypted() { settings_.unencrypted = settings_.unencrypted ? 0 : 1; }

void SpecialSettingsForm::OnUseOwnFile() { settings_.useOwnFile = settings_.useOwnFile ? 0 : 1; }

void SpecialSettingsForm::OnFileChosen(const std::string& path) {
    if (!path.empty()) settings_.ownFilePath = path;
}

std::optional<UserMessage> SpecialSettingsForm::RefusalOnSet(bool pathBoxEmpty) const {
    if (settings_.useOwnFile == 1 && pathBoxEmpty) {
        return UserMessage{kTextMustInputFileName, kCaptionUpperError, MB_OK_STOP};
    }
    return std::nullopt;
}

}  // namespace updater
