#pragma once
// Finding the radio on the line, agreeing the link key and moving the line between speeds.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "link/LinkPort.h"

namespace updater {

inline constexpr uint8_t SYN = 0x16;
inline constexpr uint8_t ACK = 0x06;
inline constexpr uint8_t NAK = 0x15;  // the radio's refusal
inline constexpr size_t kIdentityReplyLength = 48;

// Speed codes of the speed change frame.
inline constexpr uint8_t kSpeedCode19200 = 1;
inline constexpr uint8_t kSpeedCode38400 = 2;
inline constexpr uint8_t kSpeedCode57600 = 3;

// New seed from the local minute and second (0 when unencrypted); link key back to 0.
uint8_t StartSession(LinkPort& link);
// The settings text from its first comma after the first character on (",N,8,2").
std::string SettingsTail(const std::string& settings);
// The tail the connection check uses: SettingsTail with its stop-bit digit replaced by
// stopBits (1 or 2; any other value keeps the digit of the settings).
std::string ConnectionTail(const std::string& settings, int stopBits);
// The speed sweep with connection request, SYN and ACK: succeeds when the radio answered and
// the line is at 19200 bit/s. Without a radio it fails as NoRadio with what it saw at the
// speeds it tried (silence, its own request echoed, other bytes), or with the fault that ended
// it (the port gone, a stop). The read time-out is restored on every way out. A speed the port
// refuses is not tried (a request sent at the old speed would be noise). speedTried hears each
// speed ("9600") before the line is set to it.
using SweepObserver = std::function<void(const char* speed)>;
[[nodiscard]] LineResult CheckConnection(LinkPort& link, const SweepObserver& speedTried = {});
void SetReplyChecksum(LinkPort& link, const uint8_t* reply);
void SetLinkKey(LinkPort& link, const uint8_t* reply);
// Succeeds when one ACK arrives within 3000 ms (NAK: refused; another byte: wrong); the read
// time-out is restored afterwards.
[[nodiscard]] LineResult WaitAck(LinkPort& link);
// Moves the line to the speed of code (2: 38400, 3: 57600, any other: 19200): succeeds when the
// line runs at it, else SettingsRefused (RefusedSettings() says which) or the port's fault.
[[nodiscard]] LineResult SwitchSpeed(LinkPort& link, uint8_t code);

}  // namespace updater
