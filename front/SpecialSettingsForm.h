#pragma once
// What the Special Settings dialog decides: which buttons it opens with, what each click
// records, and when "Set" is refused. It edits a copy of the five settings; the main window
// takes them back only when the dialog ends with "Set".

#include <optional>
#include <string>

#include "front/UserMessage.h"
#include "front/UserSettings.h"

namespace updater {

// In template order; a toolkit keeps its buttons in an array indexed by these.
enum class SpeedButton { Speed57600, Speed19200, Speed38400 };
inline constexpr size_t kSpeedButtonCount = 3;
enum class StopBitButton { StopBit1, StopBit2 };

class SpecialSettingsForm {
  public:
    explicit SpecialSettingsForm(UserSettings settings) : settings_(std::move(settings)) {}

    // The checks the dialog shows: one speed (19200 is checked but never visible) and one
    // stop bit; unknown values fall back to 38400 and stop bit 1.
    SpeedButton CheckedSpeed() const;
    StopBitButton CheckedStopBit() const;
    bool UnencryptedChecked() const { return settings_.unencrypted == 1; }
    bool UseOwnFileChecked() const { return settings_.useOwnFile != 0; }
    // The path box and "Refer" are usable only while "Use my Hex/Mot file" is ticked.
    bool FileControlsEnabled() const { return settings_.useOwnFile != 0; }

    void OnSpeed(SpeedButton button);
    void OnStopBit(StopBitButton button);
    // The check boxes toggle their value with each click.
    void OnUnencrypted();
    void OnUseOwnFile();
    // A file confirmed in the chooser (UTF-8); the path box then shows it.
    void OnFileChosen(const std::string& path);

    // "Set": the message that refuses it, or nothing when the dialog may close. Only the path
    // box counts (it starts empty at every showing), not a path kept from an earlier one.
    std::optional<UserMessage> RefusalOnSet(bool pathBoxEmpty) const;

    const UserSettings& Settings() const { return settings_; }

  private:
    UserSettings settings_;
};

}  // namespace updater
