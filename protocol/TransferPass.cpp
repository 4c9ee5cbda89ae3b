#include "protocol/TransferPass.h"

#include "link/Timing.h"
#include "protocol/Commands.h"
#include "protocol/LinkSession.h"

namespace updater {

namespace {

constexpr int kRecordsPerCheckpoint = 64;
constexpr uint32_t kSpeedChangeSettleMs = 100;
constexpr uint32_t kFramePacingMs = 50;
constexpr uint32_t kCheckpointSettleMs = 250;

// The speed change frame, the radio's settling time, then our side follows.
bool ChangeSpeed(LinkPort& link, uint8_t code) {
    if (SendSpeedChange(link, code) != 1) return false;
    WaitMs(kSpeedChangeSettleMs);
    // A speed the port refused would send the frames at a speed the radio no longer hears.
    return SwitchSpeed(link, code) == 0;
}

// At 19200 bit/s both sides confirm that they still follow each other.
bool Checkpoint(LinkPort& link) {
    if (!ChangeSpeed(link, kSpeedCode19200)) return false;
    if (link.WriteByte(ACK) != 1) return false;
    uint8_t answer = 0;
    return link.Read(&answer, 1) == 1 && answer == ACK;
}

bool SendWritePass(PassParams& params, UpdateHost& host) {
    LinkPort& link = params.owner->link;
    const RecordList& records = *params.records;
    const int n = records.Size();
    const int start = params.position;
    const uint8_t fast = FastSpeedCode(params.speedChoice);

    if (!ChangeSpeed(link, fast)) return false;
    int counter = 0;
    uint32_t byteSum = 0;
    uint32_t byteCount = 0;
    uint8_t frame[kMaxFrameLength];
    for (int i = 0; i < n; ++i) {
        if (counter == kRecordsPerCheckpoint) {
            counter = 0;
            WaitMs(kCheckpointSettleMs);
            if (!Checkpoint(link) || !ChangeSpeed(link, fast)) return false;
        }
        ++counter;
        const ImageRecord& record = records[i];
        if (record.count != 0) {
            const size_t length = BuildBlockFrame(kFrameWrite, record, frame);
            // A record without a frame would leave a hole in the radio's memory.
            if (length == 0) return false;
            byteCount += static_cast<uint32_t>(record.count);
            for (int k = 0; k < record.count; ++k) byteSum += record.ByteAt(k);
            if (link.WriteBlock(frame, static_cast<uint16_t>(length)) != 1) return false;
            WaitMs(kFramePacingMs);
        }
        host.SetProgressPosition(start + i);
    }
    if (!Checkpoint(link)) return false;
    WaitMs(kCheckpointSettleMs);

    host.SetProgressPosition(start + n);
    params.position = start + n;
    params.checksum = AreaChecksum(byteSum, byteCount);
    return true;
}

bool SendTopAreaPass(PassParams& params, UpdateHost& host) {
    LinkPort& link = params.owner->link;
    const RecordList& records = *params.records;
    const int n = records.Size();
    const int start = params.position;
    uint8_t frame[kMaxFrameLength];
    for (int i = 0; i < n; ++i) {
        const ImageRecord& record = records[i];
        if (record.count >= 1 && record.count <= kMaxRecordBytes) {
            const size_t length = BuildBlockFrame(kFrameTopArea, record, frame);
            if (length == 0) return false;
            if (link.WriteBlock(frame, static_cast<uint16_t>(length)) != 1) return false;
            uint8_t answer = 0;
            if (link.Read(&answer, 1) != 1 || answer != ACK) return false;
        }
        host.SetProgressPosition(start + i);
    }
    host.SetProgressPosition(start + n);
    return true;
}

// Runs a pass body; a failure of any kind (a list that cannot be read included) fails the pass
// and leaves the results it came with.
template <typename Body>
void RunPassBody(PassParams* params, Body body) {
    try {
        params->result = body(*params, params->owner->host) ? 1 : 0;
    } catch (...) {
        params->result = 0;
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

int RunPass(UpdateContext& context, const RecordList& records, PassProcedure procedure,
            PassKind kind) {
    PassParams params;
    params.owner = &context;
    params.position = context.progressPosition;
    params.result = 1;
    params.records = &records;
    params.checksum = context.areaChecksum;
    params.speedChoice = context.settings.speedChoice;

    procedure(&params);

    // A failed pass leaves the position and the checksum as they were.
    if (params.result != 1) return 0;
    context.areaChecksum = params.checksum;
    if (kind == PassKind::KeepsPosition) context.progressPosition = params.position;
    return 1;
}

}  // namespace updater
