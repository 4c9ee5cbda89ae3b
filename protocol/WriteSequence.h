#pragma once
// The two write sequences that follow a successful check: the short one when the radio's top
// area already carries the image's tag, the full one otherwise.

#include <cstdint>

#include "protocol/Commands.h"
#include "protocol/Update.h"

namespace updater {

// The area codes announced before the transfer, in the order the radio expects them.
inline constexpr char kAreaCodes[][3] = {"0A", "P2", "03", "02", "01"};

[[nodiscard]] LineResult SendAreaCodes(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult WriteLowArea(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult WriteMainArea(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult SendAreaChecksum(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult SendAreaCode00(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult WriteTopArea(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult ClosePort(UpdateContext& context, uint32_t* result);

// The steps SendBracket and SendEnd are the commands of those names on the update's link.
inline constexpr SequenceStep kSendAreaCodesStep{SendAreaCodes, "SendAreaCodes",
                                                 "Preparing the radio for writing"};
inline constexpr SequenceStep kWriteLowAreaStep{WriteLowArea, "WriteLowArea",
                                                "Writing the low area"};
inline constexpr SequenceStep kWriteMainAreaStep{WriteMainArea, "WriteMainArea",
                                                 "Writing the main area"};
inline constexpr SequenceStep kSendAreaChecksumStep{SendAreaChecksum, "SendAreaChecksum",
                                                    "Checking the areas written"};
inline constexpr SequenceStep kSendBracketStep{
    [](UpdateContext& context, uint32_t* result) { return SendBracket(context.link, result); },
    "SendBracket", "Closing the areas written"};
inline constexpr SequenceStep kSendAreaCode00Step{SendAreaCode00, "SendAreaCode00",
                                                  "Preparing the top area"};
inline constexpr SequenceStep kWriteTopAreaStep{WriteTopArea, "WriteTopArea",
                                                "Writing the top area"};
inline constexpr SequenceStep kSendEndStep{
    [](UpdateContext& context, uint32_t* result) { return SendEnd(context.link, result); },
    "SendEnd", "Ending the session"};
inline constexpr SequenceStep kClosePortStep{ClosePort, "ClosePort", "Closing the port"};

inline constexpr SequenceStep kShortWriteSequence[] = {
    kSendAreaCodesStep, kWriteLowAreaStep, kWriteMainAreaStep, kSendAreaChecksumStep,
    kSendBracketStep,   kSendEndStep,      kClosePortStep};
inline constexpr SequenceStep kFullWriteSequence[] = {
    kSendAreaCodesStep,    kWriteLowAreaStep, kWriteMainAreaStep,
    kSendAreaChecksumStep, kSendBracketStep,  kSendAreaCode00Step,
    kWriteTopAreaStep,     kSendEndStep,      kClosePortStep};

// Each sets the progress range, then runs its steps in order; 1 when all succeeded, else the
// 0 of the step that failed.
[[nodiscard]] LineResult RunShortWriteSequence(UpdateContext& context, uint32_t* result);
[[nodiscard]] LineResult RunFullWriteSequence(UpdateContext& context, uint32_t* result);

}  // namespace updater
