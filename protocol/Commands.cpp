#include "protocol/Commands.h"

#include <algorithm>
#include <iterator>

#include "link/Timing.h"
#include "protocol/LinkSession.h"
#include "protocol/ResultCodes.h"

namespace updater {

namespace {

constexpr uint8_t kCommandIdentify = 0x02;
constexpr uint8_t kCommandSpeedChange = 0x0F;
constexpr uint8_t kCommandEnd = 0x45;
constexpr uint8_t kCommandReadVersion = 0x50;
constexpr uint8_t kCommandBracket = 0x5B;
constexpr uint8_t kCommandAddressRange = 0xF3;

constexpr uint32_t kOpenSettleMs = 50;
constexpr size_t kFrameHeaderLength = 5;  // command, three address bytes, count

int Fail(uint32_t* result) {
    StoreResult(result, ERR_COMMAND);
    return 0;
}

// Reads one byte within the read time-out in force; true only when it is ACK.
bool ReadAck(LinkPort& link) {
    uint8_t byte = 0;
    return link.Read(&byte, 1) == 1 && byte == ACK;
}

}  // namespace

int OpenLink(LinkPort& link, uint32_t* result) {
    if (link.SetOpen(1) != 1) {
        StoreResult(result, ERR_PORT_OPEN);
        return 0;
    }
    WaitMs(kOpenSettleMs);
    return 1;
}

int CloseLink(LinkPort& link, uint32_t* result) {
    if (link.SetOpen(0) != 1) {
        StoreResult(result, ERR_PORT_CLOSE);
        return 0;
    }
    return 1;
}

int CheckLink(LinkPort& link, uint32_t* result, const SweepObserver& speedTried) {
    if (CheckConnection(link, speedTried) != 0) {
        StoreResult(result, ERR_NO_LINK);
        return 0;
    }
    return 1;
}

int SendIdentify(LinkPort& link, uint8_t* reply, uint32_t* result) {
    if (reply == nullptr) return 0;
    if (link.WriteByte(kCommandIdentify) != 1) return Fail(result);
    if (link.Read(reply, kIdentityReplyLength) != 1) return Fail(result);
    SetReplyChecksum(link, reply);
    if (SendHandshakeByte(link, result) != 1) return 0;
    if (ExchangeAck(link, result) != 1) return 0;
    // Only now does the radio scramble too: every later byte goes under the agreed key.
    SetLinkKey(link, reply);
    return 1;
}

int SendHandshakeByte(LinkPort& link, uint32_t* result) {
    if (link.WriteHandshakeByte() != 1) return Fail(result);
    return 1;
}

int ExchangeAck(LinkPort& link, uint32_t* result) {
    if (link.WriteByte(ACK) != 1 || !ReadAck(link)) return Fail(result);
    return 1;
}

int SendReadVersion(LinkPort& link, uint8_t* reply, uint32_t* result) {
    if (reply == nullptr) return 0;
    if (link.WriteByte(kCommandReadVersion) != 1) return Fail(result);
    if (link.Read(reply, kVersionReplyLength) != 1) return Fail(result);
    return ExchangeAck(link, result);
}

int SendR(LinkPort& link, uint8_t first, uint8_t second, uint32_t* result) {
    if (link.WriteByte(kCommandR) != 1 || link.WriteByte(first) != 1 ||
        link.WriteByte(second) != 1 || !ReadAck(link)) {
        return Fail(result);
    }
    return 1;
}

int SendBracket(LinkPort& link, uint32_t* result) {
    if (link.WriteByte(kCommandBracket) != 1 || WaitAck(link) != 1) return Fail(result);
    return 1;
}

int SendEnd(LinkPort& link, uint32_t* result) {
    if (link.WriteByte(kCommandEnd) != 1 || !ReadAck(link)) return Fail(result);
    return 1;
}

int SendSpeedChange(LinkPort& link, uint8_t code) {
    // The code alone would be misread by the radio, so it is only sent after the command.
    if (link.WriteByte(kCommandSpeedChange) != 1) return 0;
    return link.WriteByte(code) == 1 ? 1 : 0;
}

size_t BuildBlockFrame(uint8_t command, const ImageRecord& record,
                       uint8_t (&frame)[kMaxFrameLength]) {
    const int count = record.count;
    if (count < 1 || count > kMaxRecordBytes) return 0;
    // The frame carries a 24-bit address: a record beyond it would land at a wrong address.
    if (record.End() > 0x1000000u || record.End() < record.address) return 0;

    std::fill(std::begin(frame), std::end(frame), uint8_t{0});
    frame[0] = command;
    frame[1] = static_cast<uint8_t>(record.address >> 16);
    frame[2] = static_cast<uint8_t>(record.address >> 8);
    frame[3] = static_cast<uint8_t>(record.address);
    frame[4] = static_cast<uint8_t>(count);
    unsigned sum = 0;
    for (int i = 0; i < count; ++i) {
        const uint8_t byte = record.ByteAt(i);
        frame[kFrameHeaderLength + static_cast<size_t>(i)] = byte;
        sum += byte;
    }
    const size_t length = static_cast<size_t>(count) + 6;
    frame[length - 1] = static_cast<uint8_t>(sum % 256);
    return length;
}

int SendAddressRange(LinkPort& link, uint16_t areaChecksum) {
    static constexpr uint8_t kStart[3] = {0x0C, 0x00, 0x00};
    static constexpr uint8_t kEnd[3] = {0x0E, 0xFF, 0xFF};
    const uint8_t checksum[2] = {static_cast<uint8_t>(areaChecksum >> 8),
                                 static_cast<uint8_t>(areaChecksum)};
    if (link.WriteByte(kCommandAddressRange) != 1) return 0;
    if (link.WriteBlock(kStart, sizeof kStart) != 1) return 0;
    if (link.WriteBlock(kEnd, sizeof kEnd) != 1) return 0;
    return link.WriteBlock(checksum, sizeof checksum) == 1 ? 1 : 0;
}

}  // namespace updater
