#include "protocol/WriteSequence.h"

#include "protocol/Commands.h"
#include "protocol/LinkSession.h"
#include "protocol/Sequence.h"
#include "protocol/TransferPass.h"

namespace updater {

int SendAreaCodes(UpdateContext& context, uint32_t* result) {
    (void)result;  // a refused area code has no code of its own
    for (const char* code : kAreaCodes) {
        const uint8_t frame[3] = {kCommandR, static_cast<uint8_t>(code[0]),
                                  static_cast<uint8_t>(code[1])};
        if (context.link.WriteBlock(frame, sizeof frame) != 1) return 0;
        if (WaitAck(context.link) != 1) return 0;
        context.writeBegan = true;
    }
    return 1;
}

int WriteLowArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.lowAreaRecords, WritePassThread, PassKind::KeepsPosition);
}

int WriteMainArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.mainAreaRecords, WritePassThread,
                   PassKind::KeepsPosition);
}

int SendAreaChecksum(UpdateContext& context, uint32_t* result) {
    (void)result;
    if (SendAddressRange(context.link, context.areaChecksum) != 1) return 0;
    return WaitAck(context.link);
}

int SendAreaCode00(UpdateContext& context, uint32_t* result) {
    return SendR(context.link, '0', '0', result);
}

int WriteTopArea(UpdateContext& context, uint32_t* result) {
    (void)result;
    return RunPass(context, context.image.topAreaTransferList, TopAreaPassThread,
                   PassKind::DiscardsPosition);
}

int ClosePort(UpdateContext& context, uint32_t* result) { return CloseLink(context.link, result); }

int RunShortWriteSequence(UpdateContext& context, uint32_t* result) {
    const FirmwareImage& image = context.image;
    context.host.SetProgressRange(image.lowAreaRecords.Size() + image.mainAreaRecords.Size());
    return RunSequence(kShortWriteSequence, context, result);
}

int RunFullWriteSequence(UpdateContext& context, uint32_t* result) {
    const FirmwareImage& image = context.image;
    context.host.SetProgressRange(image.lowAreaRecords.Size() + image.mainAreaRecords.Size() +
                                  image.topAreaRecords.Size());
    return RunSequence(kFullWriteSequence, context, result);
}

}  // namespace updater
