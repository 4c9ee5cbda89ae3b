#pragma once
// The two write sequences that follow a successful check: the short one when the radio's top
// area already carries the image's tag, the full one otherwise.

#include <cstdint>

#include "protocol/Update.h"

namespace updater {

// The area codes announced before the transfer, in the order the radio expects them.
inline constexpr char kAreaCodes[][3] = {"0A", "P2", "03", "02", "01"};

[[nodiscard]] int SendAreaCodes(UpdateContext& context, uint32_t* result);
[[nodiscard]] int WriteLowArea(UpdateContext& context, uint32_t* result);
[[nodiscard]] int WriteMainArea(UpdateContext& context, uint32_t* result);
[[nodiscard]] int SendAreaChecksum(UpdateContext& context, uint32_t* result);
// SendBracket and SendEnd wrap the commands of the same names.
[[nodiscard]] int SendBracket(UpdateContext& context, uint32_t* result);
[[nodiscard]] int SendAreaCode00(UpdateContext& context, uint32_t* result);
[[nodiscard]] int WriteTopArea(UpdateContext& context, uint32_t* result);
[[nodiscard]] int SendEnd(UpdateContext& context, uint32_t* result);
[[nodiscard]] int ClosePort(UpdateContext& context, uint32_t* result);

inline constexpr Step kShortWriteSequence[] = {
    SendAreaCodes, WriteLowArea, WriteMainArea, SendAreaChecksum, SendBracket, SendEnd, ClosePort};
inline constexpr Step kFullWriteSequence[] = {SendAreaCodes,    WriteLowArea, WriteMainArea,
                                              SendAreaChecksum, SendBracket,  SendAreaCode00,
                                              WriteTopArea,     SendEnd,      ClosePort};

// Each sets the progress range, then runs its steps in order; 1 when all succeeded, else the
// 0 of the step that failed.
[[nodiscard]] int RunShortWriteSequence(UpdateContext& context, uint32_t* result);
[[nodiscard]] int RunFullWriteSequence(UpdateContext& context, uint32_t* result);

}  // namespace updater
