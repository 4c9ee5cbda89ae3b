#pragma once
// The trace seam of the serial link: an observer that a front end may install on a port (and
// on the waits) to record a session for support. Nothing is traced unless one is installed,
// and then every call arrives on the thread that used the port.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "link/LineResult.h"
#include "link/SerialPort.h"

namespace updater {

class LinkTrace {
  public:
    virtual ~LinkTrace() = default;

    virtual void PortNamed(const std::string& device) = 0;
    virtual void Opened(const std::string& device, bool opened, OpenError error) = 0;
    virtual void Closed(const std::string& device, bool closed) = 0;
    // A settings text such as "9600,N,8,2"; applied is false when the port refused it, and
    // while the port is closed the text is only stored (open false).
    virtual void SettingsChanged(const std::string& settings, bool open, bool applied) = 0;
    virtual void ReadTimeoutChanged(uint32_t ms, bool open, bool applied) = 0;
    virtual void InputPurged(bool purged) = 0;
    // Bytes handed to the line: as they travel on the wire, and as they were before the link
    // key was applied (the same for the handshake byte).
    virtual void Wrote(std::span<const uint8_t> wire, std::span<const uint8_t> plain,
                       bool written) = 0;
    // A read of `wanted` bytes within timeoutMs that ended after waitedMs: the bytes that
    // arrived, on the wire and with the link key removed.
    virtual void Read(size_t wanted, uint32_t timeoutMs, uint32_t waitedMs,
                      std::span<const uint8_t> wire, std::span<const uint8_t> plain) = 0;
    // A pause on the line's time base (WaitMs).
    virtual void Waited(uint32_t ms) = 0;
    // The transfers were stopped (by `cause`, "Ctrl+C"; empty when not told): noted once, when
    // the first transfer finds it.
    virtual void Stopped(const std::string& cause) { (void)cause; }
    // A step of the update ended: its result (a failure stops the update, and says why) and
    // the result code slot.
    virtual void StepEnded(const std::string& step, const LineResult& result, uint32_t code) = 0;
};

// Installs the trace that WaitMs reports to, for the calling thread (the one that runs the
// update, so that updates on other threads keep their own traces); nullptr removes it.
void SetWaitTrace(LinkTrace* trace);
// The trace that WaitMs on the calling thread reports to, or nullptr.
LinkTrace* WaitTrace();

}  // namespace updater
