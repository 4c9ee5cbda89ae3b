#pragma once
// The six steps that identify the radio before anything is written: open the port, find the
// radio, read its identity, check its model, compare its top-area tag and confirm the
// version change with the user.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "protocol/Update.h"

namespace updater {

inline constexpr size_t kModelCodeLength = 16;
// The model codes this image serves, in the order they are tried.
inline constexpr std::array<std::array<uint8_t, kModelCodeLength>, 2> kAcceptedModelCodes{{
    {'M', 'Q', 'A', '6', '6', '3', '5', ' ', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {'P', 'Q', 'A', '7', '7', '1', '2', ' ', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
}};

[[nodiscard]] LineResult OpenPort(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult FindRadio(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult RequestIdentity(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult CheckModelCode(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult CompareTopAreaTag(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult ConfirmVersionChange(UpdateContext& context, uint32_t* result);

inline constexpr SequenceStep kCheckSequence[] = {
    {OpenPort, "OpenPort", "Opening the port"},
    {FindRadio, "FindRadio", "Searching for the radio"},
    {RequestIdentity, "RequestIdentity", "Reading the radio's identity"},
    {CheckModelCode, "CheckModelCode", "Checking the radio's model"},
    {CompareTopAreaTag, "CompareTopAreaTag", "Checking the radio's top area"},
    {ConfirmVersionChange, "ConfirmVersionChange", "Checking the radio's version"},
};

// The confirmation text for the radio's 16-byte version answer and the image version text.
std::string VersionChangeText(std::span<const uint8_t, 16> radioVersion,
                              const std::string& imageVersion);

// Runs the check sequence; stops after the first step that fails or leaves ERR_CANCELLED.
// Returns the last step's result.
[[nodiscard]] LineResult RunCheckSequence(UpdateContext& context, uint32_t* result);

}  // namespace updater
