#pragma once
// One function per command of the radio protocol, and the frames that the write builds.
// Each returns what happened on the line (true on success; else why, said of the command),
// storing a result code through `result` on failure when it is not null.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageRecord.h"
#include "link/LinkPort.h"
#include "protocol/LinkSession.h"

namespace updater {

[[nodiscard]] LineResult OpenLink(LinkPort& link, uint32_t* result);
[[nodiscard]] LineResult CloseLink(LinkPort& link, uint32_t* result);
[[nodiscard]] LineResult CheckLink(LinkPort& link, uint32_t* result,
                                   const SweepObserver& speedTried = {});
// reply: 48 bytes. Agrees the link key; null reply fails at once without a code.
[[nodiscard]] LineResult SendIdentify(LinkPort& link, uint8_t* reply, uint32_t* result);
[[nodiscard]] LineResult SendHandshakeByte(LinkPort& link, uint32_t* result);
[[nodiscard]] LineResult ExchangeAck(LinkPort& link, uint32_t* result);
// The radio's answer to the version query.
inline constexpr size_t kVersionReplyLength = 16;
// reply: kVersionReplyLength bytes; null reply fails at once without a code.
[[nodiscard]] LineResult SendReadVersion(LinkPort& link, uint8_t* reply, uint32_t* result);
[[nodiscard]] LineResult SendR(LinkPort& link, uint8_t first, uint8_t second, uint32_t* result);
[[nodiscard]] LineResult SendBracket(LinkPort& link, uint32_t* result);
[[nodiscard]] LineResult SendEnd(LinkPort& link, uint32_t* result);

inline constexpr uint8_t kCommandR = 0x52;      // 'R': an area code follows
inline constexpr uint8_t kFrameWrite = 0x57;    // 'W', not acknowledged
inline constexpr uint8_t kFrameTopArea = 0x58;  // 'X', acknowledged
inline constexpr size_t kMaxFrameLength = 134;

// One byte within the read time-out in force: ACK succeeds, NAK is the radio's refusal, any
// other byte is a wrong one; each said of `about`.
LineResult ReadAck(LinkPort& link, const std::string& about);

// Speed change frame: 0x0F then the speed code, each written on its own. Succeeds when both
// writes did. The caller waits and calls SwitchSpeed.
[[nodiscard]] LineResult SendSpeedChange(LinkPort& link, uint8_t code);
// Block frame of a record (1..128 bytes): command, 24-bit address, count, data, data sum.
// Returns the frame's length (count + 6), or 0 for a record that has no frame (count 0 or
// above 128, or bytes beyond the 24-bit address space).
size_t BuildBlockFrame(uint8_t command, const ImageRecord& record,
                       uint8_t (&frame)[kMaxFrameLength]);
// Address range frame: 0xF3; 0C 00 00; 0E FF FF; checksum high byte first. Succeeds when
// every write did. The caller then waits for the ACK (WaitAck).
LineResult SendAddressRange(LinkPort& link, uint16_t areaChecksum);

}  // namespace updater
