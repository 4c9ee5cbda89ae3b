#include "protocol/TransferPass.h"

#include <string>

#include "link/Timing.h"
#include "protocol/Commands.h"
#include "protocol/LinkSession.h"

namespace updater {

namespace {

constexpr int kRecordsPerCheckpoint = 64;
constexpr uint32_t kSpeedChangeSettleMs = 100;
constexpr uint32_t kFramePacingMs = 50;
constexpr uint32_t kCheckpointSettleMs = 250;

const char* SpeedText(uint8_t code) {
    return code == kSpeedCode38400 ? "38400" : code == kSpeedCode57600 ? "57600" : "19200";
}

// The speed change frame, the radio's settling time, then our side follows.
LineResult ChangeSpeed(LinkPort& link, uint8_t code) {
    if (LineResult sent = SendSpeedChange(link, code); !sent) {
        return sent.About(std::string("the move to ") + SpeedText(code) + " bit/s");
    }
    WaitMs(kSpeedChangeSettleMs);
    // A speed the port refused would send the frames at a speed the radio no longer hears.
    return SwitchSpeed(link, code);
}

// At 19200 bit/s both sides confirm that they still follow each other. `fast` is the speed
// the frames before it went at, for saying where the radio was lost.
LineResult Checkpoint(LinkPort& link, uint8_t fast) {
    if (LineResult moved = ChangeSpeed(link, kSpeedCode19200); !moved) return moved;
    const std::string about =
        std::string("the checkpoint at 19200 bit/s after frames at ") + SpeedText(fast) + " bit/s";
    if (LineResult sent = link.WriteByte(ACK); !sent) return sent.About(about);
    return ReadAck(link, about);
}

LineResult Frameless() {
    return LineResult::Failed(LineFault::Mismatch)
        .About("a record of the image has no frame (beyond the 24-bit address space)");
}

LineResult SendWritePass(PassParams& params, UpdateHost& host) {
    LinkPort& link = params.owner->link;
    const RecordList& records = *params.records;
    const int n = records.Size();
    const int start = params.position;
    const uint8_t fast = FastSpeedCode(params.speedChoice);

    if (LineResult moved = ChangeSpeed(link, fast); !moved) return moved;
    int counter = 0;
    uint32_t byteSum = 0;
    uint32_t byteCount = 0;
    uint8_t frame[kMaxFrameLength];
    for (int i = 0; i < n; ++i) {
        if (counter == kRecordsPerCheckpoint) {
            counter = 0;
            WaitMs(kCheckpointSettleMs);
            if (LineResult checked = Checkpoint(link, fast); !checked) return checked;
            if (LineResult moved = ChangeSpeed(link, fast); !moved) return moved;
        }
        ++counter;
        const ImageRecord& record = records[i];
        if (record.count != 0) {
            const size_t length = BuildBlockFrame(kFrameWrite, record, frame);
            // A record without a frame would leave a hole in the radio's memory.
            if (length == 0) return Frameless();
            byteCount += static_cast<uint32_t>(record.count);
            for (int k = 0; k < record.count; ++k) byteSum += record.ByteAt(k);
            if (LineResult sent = link.WriteBlock(frame, static_cast<uint16_t>(length)); !sent) {
                return sent.About("a 'W' frame");
            }
            WaitMs(kFramePacingMs);
        }
        host.SetProgressPosition(start + i);
    }
    if (LineResult checked = Checkpoint(link, fast); !checked) return checked;
    WaitMs(kCheckpointSettleMs);

    host.SetProgressPosition(start + n);
    params.position = start + n;
    params.checksum = AreaChecksum(byteSum, byteCount);
    return LineResult::Success();
}

LineResult SendTopAreaPass(PassParams& params, UpdateHost& host) {
    LinkPort& link = params.owner->link;
    const RecordList& records = *params.records;
    const int n = records.Size();
    const int start = params.position;
    uint8_t frame[kMaxFrameLength];
    for (int i = 0; i < n; ++i) {
        const ImageRecord& record = records[i];
        if (record.count >= 1 && record.count <= kMaxRecordBytes) {
            const size_t length = BuildBlockFrame(kFrameTopArea, record, frame);
            if (length == 0) return Frameless();
            const std::string about = "the 'X' frame " + std::to_string(i + 1);
            if (LineResult sent = link.WriteBlock(frame, static_cast<uint16_t>(length)); !sent) {
                return sent.About(about);
            }
            if (LineResult acked = ReadAck(link, about); !acked) return acked;
        }
        host.SetProgressPosition(start + i);
    }
    host.SetProgressPosition(start + n);
    return LineResult::Success();
}

// Runs a pass body; a failure of any kind (a list that cannot be read included) fails the pass
// and leaves the results it came with.
template <typename Body>
void RunPassBody(PassParams* params, Body body) {
    try {
        params->result = body(*params, params->owner->host);
    } catch (...) {
        params->result =
            LineResult::Failed(LineFault::Mismatch).About("the image's records could not be read");
    }
}

}  // namespace

uint8_t FastSpeedCode(SpeedChoice speedChoice) {
    return speedChoice == SpeedChoice::Speed57600 ? kSpeedCode57600 : kSpeedCode38400;
}

uint16_t AreaChecksum(uint32_t byteSum, uint32_t byteCount) {
    // Unsigned arithmetic wraps modulo 2^32, a multiple of 65536, so the result is exact.
    return static_cast<uint16_t>(byteSum - 255u * byteCount);
}

void WritePassThread(PassParams* params) { RunPassBody(params, SendWritePass); }

void TopAreaPassThread(PassParams* params) { RunPassBody(params, SendTopAreaPass); }

LineResult RunPass(UpdateContext& context, const RecordList& records, PassProcedure procedure,
                   PassKind kind) {
    PassParams params;
    params.owner = &context;
    params.position = context.progressPosition;
    params.result = LineResult::Success();
    params.records = &records;
    params.checksum = context.areaChecksum;
    params.speedChoice = context.settings.speedChoice;

    procedure(&params);

    // A failed pass leaves the position and the checksum as they were.
    if (!params.result) return params.result;
    context.areaChecksum = params.checksum;
    if (kind == PassKind::KeepsPosition) context.progressPosition = params.position;
    return params.result;
}

}  // namespace updater
