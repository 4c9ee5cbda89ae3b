#pragma once
// The serial port with its line settings and time-outs, over a platform backend
// (POSIX termios or Win32 communications). What opens, sets or moves the line returns a
// LineResult (true for success, else why not); naming and queries return 1 or 0.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "link/LineResult.h"

namespace updater {

class SerialDevice;  // platform backend, see SerialDevice.h
class LinkTrace;     // optional observer, see LinkTrace.h

// Why the last Open failed, so that a front end can say more than "cannot be opened".
// NotSerialPort: the name opens, but not as a terminal (a file, a folder, a FIFO, a null device,
// a pseudo-terminal's master side).
enum class OpenError { None, NotFound, PermissionDenied, Busy, NotSerialPort, Other };

class SerialPort {
  public:
    SerialPort();
    virtual ~SerialPort();  // the device closes itself if it is still open
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // The port is named by its device name ("COM3", "\\.\COM12", "/dev/ttyUSB0"). A port
    // starts without a name and opens nothing until it is given one: no device is ever tried
    // by default. An empty or blank name is refused (0) and changes nothing. An open port is
    // closed and reopened under the new name.
    [[nodiscard]] int SetPortName(const std::string& name);
    // COM port number n as the platform names it (Windows: COM1..COM9, \\.\COM10 up;
    // POSIX: /dev/ttyS<n-1>). 0 keeps the old name (an open port is reopened under it).
    [[nodiscard]] int SetPortNumber(uint8_t n);
    static std::string PortNameForNumber(uint8_t n);

    int SetInputQueueSize(uint16_t size);
    int SetOutputQueueSize(uint16_t size);
    // "9600,N,8,2": speed, parity letter, data bits, stop bits. Blanks are removed.
    [[nodiscard]] LineResult SetSettings(const std::string& text);
    LineResult SetReadTimeout(uint32_t ms);  // reads keep the old time-out if it is refused
    [[nodiscard]] LineResult SetOpen(int wanted);
    // A refused open is NotOpen, and LastOpenError() tells why.
    [[nodiscard]] LineResult Open();
    [[nodiscard]] LineResult Close();
    [[nodiscard]] int IsRs232();
    // Safe from any thread: makes the transfer in progress and every later one fail at once
    // (Stopped), so that an update ends (and closes the port) within its shortest wait. cause
    // says who stopped it ("Ctrl+C"), for the outcome and the trace.
    void Interrupt(const std::string& cause = {});
    // Who stopped the transfers (Interrupt's cause); empty before a stop or when not told.
    std::string StopCause() const;

    const std::string& PortName() const { return portName_; }
    const std::string& Settings() const { return settings_; }
    uint32_t ReadTimeout() const { return readTimeoutConstant_; }
    int IsOpen() const { return isOpen_; }
    uint16_t InputQueueSize() const { return inputQueueSize_; }
    uint16_t OutputQueueSize() const { return outputQueueSize_; }
    OpenError LastOpenError() const { return lastOpenError_; }
    // After an open refused as busy: which programs hold the port ("minicom (pid 4242)"), or
    // empty where that cannot be told.
    std::string HeldBy() const;
    // The settings text the device last refused (a speed or format it cannot do); empty when
    // it has taken every one since the port was opened.
    const std::string& RefusedSettings() const { return refusedSettings_; }

    // Reports every operation to trace from now on; nullptr stops it. Not owned.
    void SetTrace(LinkTrace* trace) { trace_ = trace; }
    LinkTrace* Trace() const { return trace_; }

  protected:
    // Raw transfers for LinkPort: discard pending input, blocking write, and a read of exactly
    // n bytes within the total read time-out (returns the number of bytes that arrived).
    int PurgeInput();  // a purge that fails leaves stale bytes, which a wrong answer then shows
    [[nodiscard]] LineResult WriteRaw(const uint8_t* data, size_t length);
    [[nodiscard]] LineResult ReadRaw(uint8_t* buffer, size_t n);
    // A transfer's result as the layers above see it: a stop says who stopped it, and the
    // first stop is noted in the trace once, on the thread that uses the port.
    LineResult Noted(LineResult result);

  private:
    [[nodiscard]] int Rename(const std::string& name);
    [[nodiscard]] LineResult ApplySettings();
    [[nodiscard]] LineResult ApplyTimeouts();

    std::unique_ptr<SerialDevice> device_;
    int isOpen_ = 0;
    std::string portName_;
    uint16_t inputQueueSize_ = 512;
    uint16_t outputQueueSize_ = 512;
    std::string settings_ = "9600,N,8,2";
    uint32_t readTimeoutConstant_ = 1000;
    // No operation of the Updater asks for a per-byte read time-out: every read waits for
    // its total alone.
    static constexpr uint32_t kReadTimeoutMultiplier = 0;
    OpenError lastOpenError_ = OpenError::None;
    std::string refusedSettings_;
    LinkTrace* trace_ = nullptr;
    mutable std::mutex stopMutex_;
    std::string stopCause_;  // guarded by stopMutex_
    bool stopTraced_ = false;
};

}  // namespace updater
