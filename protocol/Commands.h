#pragma once
// One function per command of the radio protocol, and the frames that the write builds.
// Each returns 1 on success and 0 on failure, storing a result code through `result`
// when it is not null.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/ImageRecord.h"
#include "link/LinkPort.h"
#include "protocol/LinkSession.h"

namespace updater {

[[nodiscard]] int OpenLink(LinkPort& link, uint32_t* result);
[[nodiscard]] int CloseLink(LinkPort& link, uint32_t* result);
[[nodiscard]] int CheckLink(LinkPort& link, uint32_t* result, const SweepObserver& speedTried = {});
// reply: 48 bytes. Agrees the link key; null reply fails at once without a code.
[[nodiscard]] int SendIdentify(LinkPort& link, uint8_t* reply, uint32_t* result);
[[nodiscard]] int SendHandshakeByte(LinkPort& link, uint32_t* result);
[[nodiscard]] int ExchangeAck(LinkPort& link, uint32_t* result);
// The radio's answer to the version query.
inline constexpr size_t kVersionReplyLength = 16;
// reply: kVersionReplyLength bytes; null reply fails at once without a code.
[[nodiscard]] int SendReadVersion(LinkPort& link, uint8_t* reply, uint32_t* result);
[[nodiscard]] int SendR(LinkPort& link, uint8_t first, uint8_t second, uint32_t* result);
[[nodiscard]] int SendBracket(LinkPort& link, uint32_t* result);
[[nodiscard]] int SendEnd(LinkPort& link, uint32_t* result);

inline constexpr uint8_t kCommandR = 0x52;      // 'R': an area code follows
inline constexpr uint8_t kFrameWrite = 0x57;    // 'W', not acknowledged
inline constexpr uint8_t kFrameTopArea = 0x58;  // 'X', acknowledged
inline constexpr size_t kMaxFrameLength = 134;

// Speed change frame: 0x0F then the speed code, each written on its own. 1 when both writes
// succeeded. The caller waits and calls SwitchSpeed.
[[nodiscard]] int SendSpeedChange(LinkPort& link, uint8_t code);
// Block frame of a record (1..128 bytes): command, 24-bit address, count, data, data sum.
// Returns the frame's length (count + 6), or 0 for a record that has no frame (count 0 or
// above 128, or bytes beyond the 24-bit address space).
size_t BuildBlockFrame(uint8_t command, const ImageRecord& record,
                       uint8_t (&frame)[kMaxFrameLength]);
// Address range frame: 0xF3; 0C 00 00; 0E FF FF; checksum high byte first. 1 when every write
// succeeded. The caller then waits for the ACK (WaitAck).
int SendAddressRange(LinkPort& link, uint16_t areaChecksum);

}  // namespace updater
