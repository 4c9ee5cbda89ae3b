// The serial device on Windows: a COM port through the Win32 communications calls.

#include <windows.h>

#include <algorithm>
#include <vector>

#include "link/SerialDevice.h"
#include "link/Timing.h"

namespace updater {
namespace {

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

class Win32SerialDevice final : public SerialDevice {
  public:
    ~Win32SerialDevice() override { Close(); }

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
        lastError_ = OpenError::None;
        return 1;
    }

    int Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return 0;
        const int result = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return result;
    }

    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    OpenError LastOpenError() const override { return lastError_; }

    int SetQueueSizes(uint16_t input, uint16_t output) override {
        return SetupComm(handle_, input, output) != 0;
    }

    int ApplySettings(const std::string& settings) override {
        // The port reports its own structure length; the second read gets room for all of it.
        auto probe = AlignedArea(784);
        auto* probeDcb = reinterpret_cast<DCB*>(probe.data());
        probeDcb->DCBlength = sizeof(DCB);
        if (!GetCommState(handle_, probeDcb)) return 0;
        auto area = AlignedArea(std::max<size_t>(4 * size_t{probeDcb->DCBlength}, sizeof(DCB)));
        auto* dcb = reinterpret_cast<DCB*>(area.data());
        dcb->DCBlength = sizeof(DCB);
        if (!GetCommState(handle_, dcb)) return 0;

        dcb->fOutxCtsFlow = 0;
        dcb->fOutxDsrFlow = 0;
        dcb->fDtrControl = DTR_CONTROL_ENABLE;
        dcb->fTXContinueOnXoff = 0;
        dcb->fRtsControl = RTS_CONTROL_DISABLE;
        dcb->fAbortOnError = 0;
        if (!BuildCommDCBA(settings.c_str(), dcb)) return 0;
        return SetCommState(handle_, dcb) != 0;
    }

    int ApplyTimeouts(uint32_t constantMs, uint32_t multiplierMs) override {
        COMMTIMEOUTS timeouts{};
        if (!GetCommTimeouts(handle_, &timeouts)) return 0;
        timeouts.ReadIntervalTimeout = 0;
        timeouts.ReadTotalTimeoutMultiplier = multiplierMs;
        timeouts.ReadTotalTimeoutConstant = constantMs;
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

    int Write(const uint8_t* data, size_t length) override {
        DWORD written = 0;
        return WriteFile(handle_, data, static_cast<DWORD>(length), &written, nullptr) != 0;
    }

    size_t Read(uint8_t* buffer, size_t n) override {
        // The whole process waits at the highest class so the answer is taken in at once.
        HANDLE process = GetCurrentProcess();
        SetPriorityClass(process, REALTIME_PRIORITY_CLASS);
        DWORD got = 0;
        const BOOL ok = ReadFile(handle_, buffer, static_cast<DWORD>(n), &got, nullptr);
        SetPriorityClass(process, NORMAL_PRIORITY_CLASS);
        return ok ? got : 0;
    }

    int ProviderSubtype() override {
        WaitMs(10);
        auto probe = AlignedArea(4096);
        auto* probeProps = reinterpret_cast<COMMPROP*>(probe.data());
        if (!GetCommProperties(handle_, probeProps)) return -1;
        WaitMs(10);
        auto area =
            AlignedArea(std::max<size_t>(4 * size_t{probeProps->wPacketLength}, sizeof(COMMPROP)));
        auto* props = reinterpret_cast<COMMPROP*>(area.data());
        if (!GetCommProperties(handle_, props)) return -1;
        WaitMs(10);
        return static_cast<int>(props->dwProvSubType);
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OpenError lastError_ = OpenError::None;
};

}  // namespace

std::unique_ptr<SerialDevice> MakeSerialDevice() { return std::make_unique<Win32SerialDevice>(); }

}  // namespace updater
