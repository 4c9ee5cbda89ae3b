#include "protocol/CheckSequence.h"

#include <algorithm>

#include "image/FirmwareImage.h"
#include "protocol/Commands.h"
#include "protocol/Messages.h"
#include "protocol/ResultCodes.h"
#include "protocol/Sequence.h"

namespace updater {

namespace {

constexpr uint8_t kQueryTopAreaTag = 0x40;

}  // namespace

LineResult OpenPort(UpdateContext& context, uint32_t* result) {
    return OpenLink(context.link, result);
}

LineResult FindRadio(UpdateContext& context, uint32_t* result) {
    return CheckLink(context.link, result, [&context](const char* speed) {
        context.host.ShowStep(std::string("Searching for the radio at ") + speed + " bit/s…");
    });
}

LineResult RequestIdentity(UpdateContext& context, uint32_t* result) {
    return SendIdentify(context.link, context.identityReply.data(), result);
}

LineResult CheckModelCode(UpdateContext& context, uint32_t* result) {
    for (const auto& code : kAcceptedModelCodes) {
        if (std::equal(code.begin(), code.end(), context.identityReply.begin())) {
            return LineResult::Success();
        }
    }
    StoreResult(result, ERR_MODEL);
    return LineResult::Failed(LineFault::Mismatch)
        .About("the radio reported a model code this image is not for");
}

LineResult CompareTopAreaTag(UpdateContext& context, uint32_t* result) {
    std::array<uint8_t, kTagLength> tag;
    tag.fill(0xFF);
    // A radio that does not answer the query is not an error: its tag simply reads as 0xFF
    // wherever nothing arrived.
    if (context.link.WriteByte(kQueryTopAreaTag) && context.link.Read(tag.data(), kTagLength)) {
        if (LineResult acked = ExchangeAck(context.link, result); !acked) return acked;
    }
    context.topAreaCurrent = 0;
    if (std::equal(tag.begin(), tag.end(), context.image.imageTopAreaTag.begin())) {
        context.topAreaCurrent = 1;
    }
    return LineResult::Success();
}

std::string VersionChangeText(std::span<const uint8_t, 16> radioVersion,
                              const std::string& imageVersion) {
    // Eight characters at most, never cutting one of UTF-8's multi-byte characters in two.
    size_t cut = 0;
    for (size_t characters = 0; cut < imageVersion.size() && characters < kImageVersionLength;
         ++characters) {
        do ++cut;
        while (cut < imageVersion.size() &&
               (static_cast<uint8_t>(imageVersion[cut]) & 0xC0) == 0x80);
    }
    const std::string image = imageVersion.substr(0, cut);
    if (radioVersion[0] == 0xFF) {
        return std::string(kTextConfirmFirstLine) + "\n" + kTextNoData + " -> Ver. " + image +
               "\n" + kTextConfirmQuestion;
    }
    return std::string(kTextConfirmFirstLine) + "\n Ver. " + VersionText(radioVersion) +
           " -> Ver. " + image + "\n" + kTextConfirmQuestion;
}

LineResult ConfirmVersionChange(UpdateContext& context, uint32_t* result) {
    std::array<uint8_t, kVersionReplyLength> version;
    version.fill(0xFF);
    if (LineResult read = SendReadVersion(context.link, version.data(), result); !read) {
        return read;
    }
    context.radioVersion = version;

    const std::string text = VersionChangeText(version, context.image.VersionText());
    // Anything but an explicit OK (a closed box included) keeps the radio unwritten.
    if (context.host.ShowMessage(text, kCaptionConfirmVersion, MB_OKCANCEL_EXCLAMATION) == ID_OK) {
        return LineResult::Success();
    }
    context.host.ShowMessage(kTextCancelled, kCaptionConfirmVersion, MB_OK_EXCLAMATION);
    StoreResult(result, ERR_CANCELLED);
    return LineResult::Failed(LineFault::Cancelled)
        .About("cancelled at the version question: the radio is unchanged");
}

LineResult RunCheckSequence(UpdateContext& context, uint32_t* result) {
    return RunSequence(kCheckSequence, context, result);
}

}  // namespace updater
