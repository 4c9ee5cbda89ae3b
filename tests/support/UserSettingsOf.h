#pragma once
// The five user settings of a test case in one line, with a path the own-file tick refers to.

#include "front/UserSettings.h"

namespace updater::testing {

inline UserSettings UserSettingsOf(SpeedChoice speedChoice, int stopBits, int unencrypted,
                                   int useOwnFile) {
    return {speedChoice, stopBits, unencrypted, useOwnFile, "/home/tech/previous.mot"};
}

}  // namespace updater::testing
