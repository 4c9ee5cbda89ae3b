#pragma once
// What the loader's UART would be set to see: the line settings the Updater last applied.

#include <termios.h>

#include <chrono>
#include <cstddef>

namespace updater::sim {

struct UartSettings {
    int speed = 0;                  // bit/s; 0 when the terminal reports a speed we do not know
    int stopBits = 1;               // 1 or 2
    bool eightBitsNoParity = true;  // 8 data bits, no parity: the only format the loader reads
    bool operator==(const UartSettings&) const = default;
};

// Bit/s for a termios speed constant, 0 when unknown.
int SpeedFromTermios(speed_t speed);
// The termios constant for a bit rate; B0 when there is none.
speed_t TermiosFromSpeed(int speed);

// Time one byte needs on the line: start bit, 8 data bits, parity bit if any, stop bits.
std::chrono::nanoseconds ByteTime(const UartSettings& line);

}  // namespace updater::sim
