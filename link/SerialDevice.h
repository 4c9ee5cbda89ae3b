#pragma once
// The platform's serial device behind SerialPort: one open port at a time, synchronous calls.
// Results follow the link convention: 1 for success, 0 for failure.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "link/SerialPort.h"

namespace updater {

// Provider subtype of a plain RS-232 port, as the port-type query reports it.
inline constexpr int kProviderSubtypeRs232 = 1;
// The pause before, between and after the steps of the port-type query, in ms: a driver that was
// just opened gets time to settle before it answers.
inline constexpr int kPortTypeQueryPauseMs = 10;

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Opens the named port exclusively. On failure LastOpenError() tells why.
    virtual int Open(const std::string& name) = 0;
    virtual int Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual OpenError LastOpenError() const = 0;
    // After an open refused as busy: the programs holding the port, where they can be told.
    virtual std::string HeldBy() const = 0;

    virtual int SetQueueSizes(uint16_t input, uint16_t output) = 0;
    // "9600,N,8,2": speed, parity, data bits, stop bits; DTR on, no flow control.
    virtual int ApplySettings(const std::string& settings) = 0;
    // Total read time-out of constantMs + multiplierMs * n, with no inter-byte time-out.
    virtual int ApplyTimeouts(uint32_t constantMs, uint32_t multiplierMs) = 0;
    virtual int ClearRts() = 0;
    virtual int PurgeInput() = 0;
    // Blocking write of all bytes.
    virtual int Write(const uint8_t* data, size_t length) = 0;
    // Reads up to n bytes within the total read time-out; returns how many arrived.
    virtual size_t Read(uint8_t* buffer, size_t n) = 0;
    // kProviderSubtypeRs232 for a plain serial port, another value for other devices,
    // -1 when the query fails.
    virtual int ProviderSubtype() = 0;
    // Safe from any thread: the read or write in progress, and every one after it, fails at
    // once. For stopping an update when the user insists.
    virtual void Interrupt() = 0;
};

// The backend of the platform the program runs on.
std::unique_ptr<SerialDevice> MakeSerialDevice();

}  // namespace updater
