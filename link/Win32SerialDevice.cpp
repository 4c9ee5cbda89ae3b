// The serial device on Windows: a COM port through the Win32 communications calls.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "link/LineTime.h"
#include "link/PacedWrite.h"
#include "link/SerialDevice.h"
#include "link/Timing.h"

namespace updater {
namespace {

// A call that failed because the port went away (an adapter unplugged), not because of what it
// was asked.
bool Gone(DWORD error) {
    return error == ERROR_BAD_COMMAND || error == ERROR_DEVICE_REMOVED ||
           error == ERROR_GEN_FAILURE || error == ERROR_INVALID_HANDLE ||
           error == ERROR_OPERATION_ABORTED || error == ERROR_ACCESS_DENIED;
}

LineResult RefusedOrGone(const LineResult& refused) {
    return Gone(GetLastError()) ? LineResult::Failed(LineFault::PortGone) : refused;
}

OpenError OpenErrorFor(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return OpenError::NotFound;
        // A COM port held by another program answers with access denied.
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return OpenError::Busy;
        default:
            return OpenError::Other;
    }
}

// A buffer of at least `bytes` bytes, zeroed and aligned for the structure placed in it.
std::vector<DWORD> AlignedArea(size_t bytes) {
    return std::vector<DWORD>((bytes + sizeof(DWORD) - 1) / sizeof(DWORD) + 1, 0);
}

// The whole process waits at the highest class while a read runs, so that the answer is taken
// in at once. The class belongs to the process: with several radios written at once it drops
// back to normal only when the last of their reads has ended.
class RaisedPriority {
  public:
    RaisedPriority() {
        std::lock_guard lock(mutex_);
        if (readers_++ == 0) SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
    }
    ~RaisedPriority() {
        std::lock_guard lock(mutex_);
        if (--readers_ == 0) SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    }
    RaisedPriority(const RaisedPriority&) = delete;
    RaisedPriority& operator=(const RaisedPriority&) = delete;

  private:
    static inline std::mutex mutex_;
    static inline int readers_ = 0;
};

class Win32SerialDevice final : public SerialDevice {
  public:
    ~Win32SerialDevice() override { Close(); }

    void Interrupt() override {
        interrupted_ = true;
        const HANDLE handle = handle_;
        if (handle != INVALID_HANDLE_VALUE) CancelIoEx(handle, nullptr);
    }

    int Open(const std::string& name) override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            lastError_ = OpenError::Busy;
            return 0;
        }
        HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            lastError_ = OpenErrorFor(GetLastError());
            return 0;
        }
        handle_ = handle;
        // The line and time-outs as the last program left them, put back at close.
        savedDcb_ = DCB{};
        savedDcb_.DCBlength = sizeof(DCB);
        savedLine_ = GetCommState(handle_, &savedDcb_) && GetCommTimeouts(handle_, &savedTimeouts_);
        lastError_ = OpenError::None;
        return 1;
    }

    int Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return 0;
        if (savedLine_) {
            SetCommState(handle_, &savedDcb_);
            SetCommTimeouts(handle_, &savedTimeouts_);
        }
        const int result = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return result;
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    OpenError LastOpenError() const override { return lastError_; }
    // Windows does not tell which program holds a COM port.
    std::string HeldBy() const override { return {}; }

    int SetQueueSizes(uint16_t input, uint16_t output) override {
        return SetupComm(handle_, input, output) != 0;
    }

    LineResult ApplySettings(const std::string& settings) override {
        const LineResult refused = LineResult::SettingsRefused(settings);
        // The port reports its own structure length; the second read gets room for all of it.
        // 784 bytes hold the structure of every driver known, with room to spare; four times the
        // reported length covers a driver that appends private data to it.
        auto probe = AlignedArea(784);
        auto* probeDcb = reinterpret_cast<DCB*>(probe.data());
        probeDcb->DCBlength = sizeof(DCB);
        if (!GetCommState(handle_, probeDcb)) return RefusedOrGone(refused);
        auto area = AlignedArea(std::max<size_t>(4 * size_t{probeDcb->DCBlength}, sizeof(DCB)));
        auto* dcb = reinterpret_cast<DCB*>(area.data());
        dcb->DCBlength = sizeof(DCB);
        if (!GetCommState(handle_, dcb)) return RefusedOrGone(refused);
        if (!BuildCommDCBA(settings.c_str(), dcb)) return RefusedOrGone(refused);
        // After BuildCommDCBA, which resets the handshake flags it is not given: set before it,
        // RTS would be raised with every change of settings.
        dcb->fOutxCtsFlow = 0;
        dcb->fOutxDsrFlow = 0;
        dcb->fDtrControl = DTR_CONTROL_ENABLE;
        dcb->fTXContinueOnXoff = 0;
        dcb->fRtsControl = RTS_CONTROL_DISABLE;
        dcb->fAbortOnError = 0;
        if (!SetCommState(handle_, dcb)) return RefusedOrGone(refused);
        speed_ = std::max<DWORD>(dcb->BaudRate, 1);
        bitsPerByte_ =
            BitsPerByte(dcb->ByteSize, dcb->Parity != NOPARITY, dcb->StopBits == ONESTOPBIT);
        return LineResult::Success();
    }

    int ApplyTimeouts(uint32_t constantMs, uint32_t multiplierMs) override {
        COMMTIMEOUTS timeouts{};
        if (!GetCommTimeouts(handle_, &timeouts)) return 0;
        timeouts.ReadIntervalTimeout = 0;
        timeouts.ReadTotalTimeoutMultiplier = multiplierMs;
        timeouts.ReadTotalTimeoutConstant = constantMs;
        // Writes bounded whatever the last program left: 20 ms a byte is twice a byte's time at
        // 1200 bit/s, the slowest speed used, and 2 s more cover a slow adapter.
        timeouts.WriteTotalTimeoutMultiplier = 20;
        timeouts.WriteTotalTimeoutConstant = 2000;
        return SetCommTimeouts(handle_, &timeouts) != 0;
    }

    int ClearRts() override {
        if (EscapeCommFunction(handle_, CLRRTS)) return 1;
        // A port without modem lines (a terminal mapped as COM port) refuses the request; there
        // is no RTS line to clear then, which is not a failure. Its driver may still claim the
        // modem-line capabilities, so its answer "not supported" counts as well.
        if (GetLastError() == ERROR_NOT_SUPPORTED) return 1;
        COMMPROP props{};
        return GetCommProperties(handle_, &props) &&
               (props.dwProvCapabilities & (PCF_DTRDSR | PCF_RTSCTS)) == 0;
    }

    int PurgeInput() override { return PurgeComm(handle_, PURGE_RXCLEAR) != 0; }

    LineResult Write(const uint8_t* data, size_t length) override {
        if (interrupted_) return LineResult::Failed(LineFault::Stopped);
        // The driver completes a write once its bytes are in the transmit buffer, or once that
        // has drained: most or all of them may have left by then. Counted from before the call,
        // the wait after a frame is then never longer than the line needs, and never shorter.
        DWORD error = ERROR_SUCCESS;
        const int written =
            PacedWrite(SteadyWireClock(), LineTime(length, bitsPerByte_, speed_), [&] {
                DWORD count = 0;
                // A short count is the write time-out: part of the bytes never went.
                const BOOL ok =
                    WriteFile(handle_, data, static_cast<DWORD>(length), &count, nullptr);
                if (!ok) error = GetLastError();
                return ok && count == length;
            });
        if (written == 1) return LineResult::Success();
        if (interrupted_) return LineResult::Failed(LineFault::Stopped);
        return Gone(error) ? LineResult::Failed(LineFault::PortGone)
                           : LineResult::TimedOut(0, 0, 0);
    }

    LineResult Read(uint8_t* buffer, size_t n) override {
        if (interrupted_) return LineResult::Failed(LineFault::Stopped);
        const RaisedPriority raised;
        const DWORD started = GetTickCount();
        DWORD got = 0;
        const BOOL ok = ReadFile(handle_, buffer, static_cast<DWORD>(n), &got, nullptr);
        LineResult ended = LineResult::Success();
        if (!ok) {
            ended = interrupted_           ? LineResult::Failed(LineFault::Stopped)
                    : Gone(GetLastError()) ? LineResult::Failed(LineFault::PortGone)
                                           : LineResult::TimedOut(0, 0, 0);
            got = 0;
        } else if (got < n) {
            ended = LineResult::TimedOut(static_cast<uint32_t>(GetTickCount() - started), 0, 0);
        }
        ended.got = static_cast<uint32_t>(got);
        ended.wanted = static_cast<uint32_t>(n);
        return ended;
    }

    // The pauses give a driver that was just opened time to settle before it answers. The first
    // read into 4096 bytes, more than any driver answers, learns the packet length; the
    // second gets four times that, room for drivers that append private data to the structure.
    int ProviderSubtype() override {
        WaitMs(kPortTypeQueryPauseMs);
        auto probe = AlignedArea(4096);
        auto* probeProps = reinterpret_cast<COMMPROP*>(probe.data());
        if (!GetCommProperties(handle_, probeProps)) return -1;
        WaitMs(kPortTypeQueryPauseMs);
        auto area =
            AlignedArea(std::max<size_t>(4 * size_t{probeProps->wPacketLength}, sizeof(COMMPROP)));
        auto* props = reinterpret_cast<COMMPROP*>(area.data());
        if (!GetCommProperties(handle_, props)) return -1;
        WaitMs(kPortTypeQueryPauseMs);
        return static_cast<int>(props->dwProvSubType);
    }

  private:
    std::atomic<HANDLE> handle_{INVALID_HANDLE_VALUE};
    std::atomic<bool> interrupted_{false};
    DCB savedDcb_{};
    COMMTIMEOUTS savedTimeouts_{};
    bool savedLine_ = false;
    OpenError lastError_ = OpenError::None;
    uint64_t speed_ = 9600;
    uint64_t bitsPerByte_ = 11;
};

}  // namespace

std::unique_ptr<SerialDevice> MakeSerialDevice() { return std::make_unique<Win32SerialDevice>(); }

}  // namespace updater
