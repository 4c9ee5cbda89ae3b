#pragma once
// The texts the user sees, exactly as the window shows them.

#include <cstdint>
#include <string>

#include "protocol/ResultCodes.h"

namespace updater {

inline constexpr const char* kTextPortOpenFailed = "The COM port cannot be opened.";
inline constexpr const char* kTextModelMismatch = "Check Model Name and Market Code.";
inline constexpr const char* kTextGeneralFailure =
    "Ensure that all connections between the transceiver and the PC as well as the COM port "
    "settings are in place.\nPlease try again.";
inline constexpr const char* kTextWritingCompleted = "Writing completed.";
inline constexpr const char* kCaptionError = "Error";
inline constexpr const char* kCaptionUpdater = "Updater for VM-5160/VM-6160";
inline constexpr const char* kCaptionConfirmVersion = "Norvale Updater";
inline constexpr const char* kTextCancelled = "Operation has been canceled";
inline constexpr const char* kTextConfirmFirstLine = " Please confirm the version change: ";
inline constexpr const char* kTextConfirmQuestion = "Do you want to continue?";
inline constexpr const char* kTextNoData = "No Data";
inline constexpr const char* kTextExitQuestion = "Do you wish to exit this program?";
inline constexpr const char* kCaptionConfirmation = "Confirmation";
inline constexpr const char* kTextMustInputFileName = "Must input file name";
inline constexpr const char* kCaptionUpperError = "ERROR";

// The text shown for a result code: its own text, or the general one.
inline std::string ErrorMessageText(uint32_t code) {
    if (code == ERR_PORT_OPEN) return kTextPortOpenFailed;
    if (code == ERR_MODEL) return kTextModelMismatch;
    return kTextGeneralFailure;
}

}  // namespace updater
