#pragma once
// The five settings the technician may change in Special Settings. Every start begins from
// these defaults; nothing is stored between runs.

#include <string>

#include "protocol/Update.h"

namespace updater {

struct UserSettings {
    SpeedChoice speedChoice = SpeedChoice::Speed38400;
    int stopBits = 2;         // 1 or 2
    int unencrypted = 0;      // 1: the link key stays 0
    int useOwnFile = 0;       // 1: the image comes from ownFilePath
    std::string ownFilePath;  // UTF-8, as every path in the program

    // What the update takes of them at Write.
    UpdateSettings ForUpdate() const { return {speedChoice, stopBits, unencrypted}; }
};

}  // namespace updater
