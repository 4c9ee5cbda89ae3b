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

LineResult Fail(uint32_t* result, LineResult why, const char* about) {
    StoreResult(result, ERR_COMMAND);
    if (why.about.empty()) why.About(about);
    return why;
}

// A reply buffer the caller did not give: nothing is sent.
LineResult NoReplyBuffer() { return LineResult::Failed(LineFault::NotOpen); }

}  // namespace

LineResult ReadAck(LinkPort& link, const std::string& about) {
    uint8_t byte = 0;
    LineResult read = link.Read(&byte, 1);
    if (!read) return read.About(about);
    if (byte == ACK) return read;
    LineResult wrong = LineResult::WrongByte(ACK, byte);
    if (byte == NAK) wrong.fault = LineFault::Refused;
    return wrong.About(about);
}

LineResult OpenLink(LinkPort& link, uint32_t* result) {
    if (LineResult opened = link.SetOpen(1); !opened) {
        StoreResult(result, ERR_PORT_OPEN);
        return opened;
    }
    WaitMs(kOpenSettleMs);
    return LineResult::Success();
}

LineResult CloseLink(LinkPort& link, uint32_t* result) {
    if (LineResult closed = link.SetOpen(0); !closed) {
        StoreResult(result, ERR_PORT_CLOSE);
        return closed;
    }
    return LineResult::Success();
}

LineResult CheckLink(LinkPort& link, uint32_t* result, const SweepObserver& speedTried) {
    LineResult found = CheckConnection(link, speedTried);
    if (!found) StoreResult(result, ERR_NO_LINK);
    return found;
}

LineResult SendIdentify(LinkPort& link, uint8_t* reply, uint32_t* result) {
    if (reply == nullptr) return NoReplyBuffer();
    constexpr const char* kAbout = "the identification request";
    if (LineResult r = link.WriteByte(kCommandIdentify); !r) return Fail(result, r, kAbout);
    if (LineResult r = link.Read(reply, kIdentityReplyLength); !r) return Fail(result, r, kAbout);
    SetReplyChecksum(link, reply);
    if (LineResult r = SendHandshakeByte(link, result); !r) return r;
    if (LineResult r = ExchangeAck(link, result); !r) return r;
    // Only now does the radio scramble too: every later byte goes under the agreed key.
    SetLinkKey(link, reply);
    return LineResult::Success();
}

LineResult SendHandshakeByte(LinkPort& link, uint32_t* result) {
    if (LineResult r = link.WriteHandshakeByte(); !r) return Fail(result, r, "the handshake byte");
    return LineResult::Success();
}

LineResult ExchangeAck(LinkPort& link, uint32_t* result) {
    constexpr const char* kAbout = "the acknowledgement";
    if (LineResult r = link.WriteByte(ACK); !r) return Fail(result, r, kAbout);
    if (LineResult r = ReadAck(link, kAbout); !r) return Fail(result, r, kAbout);
    return LineResult::Success();
}

LineResult SendReadVersion(LinkPort& link, uint8_t* reply, uint32_t* result) {
    if (reply == nullptr) return NoReplyBuffer();
    constexpr const char* kAbout = "the version query";
    if (LineResult r = link.WriteByte(kCommandReadVersion); !r) return Fail(result, r, kAbout);
    if (LineResult r = link.Read(reply, kVersionReplyLength); !r) return Fail(result, r, kAbout);
    return ExchangeAck(link, result);
}

LineResult SendR(LinkPort& link, uint8_t first, uint8_t second, uint32_t* result) {
    const std::string about =
        std::string("the area code ") + static_cast<char>(first) + static_cast<char>(second);
    for (const uint8_t byte : {kCommandR, first, second}) {
        if (LineResult r = link.WriteByte(byte); !r) return Fail(result, r, about.c_str());
    }
    if (LineResult r = ReadAck(link, about); !r) return Fail(result, r, about.c_str());
    return LineResult::Success();
}

LineResult SendBracket(LinkPort& link, uint32_t* result) {
    constexpr const char* kAbout = "the closing command 5B";
    if (LineResult r = link.WriteByte(kCommandBracket); !r) return Fail(result, r, kAbout);
    if (LineResult r = WaitAck(link); !r) return Fail(result, r, kAbout);
    return LineResult::Success();
}

LineResult SendEnd(LinkPort& link, uint32_t* result) {
    constexpr const char* kAbout = "the end command";
    if (LineResult r = link.WriteByte(kCommandEnd); !r) return Fail(result, r, kAbout);
    if (LineResult r = ReadAck(link, kAbout); !r) return Fail(result, r, kAbout);
    return LineResult::Success();
}

LineResult SendSpeedChange(LinkPort& link, uint8_t code) {
    // The code alone would be misread by the radio, so it is only sent after the command.
    if (LineResult r = link.WriteByte(kCommandSpeedChange); !r) return r;
    return link.WriteByte(code);
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

LineResult SendAddressRange(LinkPort& link, uint16_t areaChecksum) {
    static constexpr uint8_t kStart[3] = {0x0C, 0x00, 0x00};
    static constexpr uint8_t kEnd[3] = {0x0E, 0xFF, 0xFF};
    const uint8_t checksum[2] = {static_cast<uint8_t>(areaChecksum >> 8),
                                 static_cast<uint8_t>(areaChecksum)};
    if (LineResult r = link.WriteByte(kCommandAddressRange); !r) return r;
    if (LineResult r = link.WriteBlock(kStart, sizeof kStart); !r) return r;
    if (LineResult r = link.WriteBlock(kEnd, sizeof kEnd); !r) return r;
    return link.WriteBlock(checksum, sizeof checksum);
}

}  // namespace updater
