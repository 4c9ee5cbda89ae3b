#include "protocol/WriteSequence.h"

#include <string>

#include "protocol/Commands.h"
#include "protocol/LinkSession.h"
#include "protocol/Sequence.h"
#include "protocol/TransferPass.h"

namespace updater {

LineResult SendAreaCodes(UpdateContext& context, uint32_t* result) {
    (void)result;  // a refused area code has no code of its own
    for (const char* code : kAreaCodes) {
        const uint8_t frame[3] = {kCommandR, static_cast<uint8_t>(code[0]),
                                  static_cast<uint8_t>(code[1])};
        const std::string about = std::string("the area code ") + code[0] + code[1];
        if (LineResult sent = context.link.WriteBlock(frame, sizeof frame); !sent) {
            return sent.About(about);
        }
        if (LineResult acked = WaitAck(context.link); !acked) return acked.About(about);
        context.writeBegan = true;
    }
    return LineResult::Success();
}

LineResult WriteLowArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.lowAreaRecords, WritePassThread, PassKind::KeepsPosition);
}

LineResult WriteMainArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.mainAreaRecords, WritePassThread,
                   PassKind::KeepsPosition);
}

LineResult SendAreaChecksum(UpdateContext& context, uint32_t* result) {
    (void)result;
    constexpr const char* kAbout = "the address range and area checksum";
    if (LineResult sent = SendAddressRange(context.link, context.areaChecksum); !sent) {
        return sent.About(kAbout);
    }
    LineResult acked = WaitAck(context.link);
    return acked ? acked : acked.About(kAbout);
}

LineResult SendAreaCode00(UpdateContext& context, uint32_t* result) {
    return SendR(context.link, '0', '0', result);
}

LineResult WriteTopArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.topAreaTransferList, TopAreaPassThread,
                   PassKind::DiscardsPosition);
}

LineResult ClosePort(UpdateContext& context, uint32_t* result) {
    return CloseLink(context.link, result);
}

LineResult RunShortWriteSequence(UpdateContext& context, uint32_t* result) {
    const FirmwareImage& image = context.image;
    context.host.SetProgressRange(image.lowAreaRecords.Size() + image.mainAreaRecords.Size());
    return RunSequence(kShortWriteSequence, context, result);
}

LineResult RunFullWriteSequence(UpdateContext& context, uint32_t* result) {
    const FirmwareImage& image = context.image;
    context.host.SetProgressRange(image.lowAreaRecords.Size() + image.mainAreaRecords.Size() +
                                  image.topAreaRecords.Size());
    return RunSequence(kFullWriteSequence, context, result);
}

}  // namespace updater
