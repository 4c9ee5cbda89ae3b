#pragma once
// The serial port with its line settings and time-outs, over a platform backend
// (POSIX termios or Win32 communications). All operations return 1 for success, 0 for failure.

#include <cstdint>
#include <memory>
#include <string>

namespace updater {

class SerialDevice;  // platform backend, see SerialDevice.h
class LinkTrace;     // optional observer, see LinkTrace.h

// Why the last Open failed, so that a front end can say more than "cannot be opened".
enum class OpenError { None, NotFound, PermissionDenied, Busy, Other };

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
    [[nodiscard]] int SetSettings(const std::string& text);
    int SetReadTimeout(uint32_t ms);  // reads keep the old time-out if it is refused
    [[nodiscard]] int SetOpen(int wanted);
    [[nodiscard]] int Open();
    [[nodiscard]] int Close();
    [[nodiscard]] int IsRs232();
    // Safe from any thread: makes the transfer in progress and every later one fail at once,
    // so that an update ends (and closes the port) within its shortest wait.
    void Interrupt();

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
    [[nodiscard]] int WriteRaw(const uint8_t* data, size_t length);
    [[nodiscard]] size_t ReadRaw(uint8_t* buffer, size_t n);

  private:
    [[nodiscard]] int Rename(const std::string& name);
    [[nodiscard]] int ApplySettings();
    [[nodiscard]] int ApplyTimeouts();

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
};

}  // namespace updater
