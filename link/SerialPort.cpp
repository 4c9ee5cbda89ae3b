#include "link/SerialPort.h"

#include <algorithm>

#include "link/LinkTrace.h"
#include "link/PortList.h"
#include "link/SerialDevice.h"
#include "link/Timing.h"

namespace updater {

SerialPort::SerialPort() : device_(MakeSerialDevice()) {}

SerialPort::~SerialPort() = default;

std::string SerialPort::PortNameForNumber(uint8_t n) {
#ifdef _WIN32
    return ComPortName(n);
#else
    return n == 0 ? std::string() : "/dev/ttyS" + std::to_string(n - 1);
#endif
}

namespace {

// A name of blanks alone is as good as none: an unset variable in a script, not a device.
bool IsBlank(const std::string& name) {
    return name.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

int SerialPort::SetPortName(const std::string& name) {
    if (IsBlank(name)) return 0;
    return Rename(name);
}

int SerialPort::SetPortNumber(uint8_t n) {
    if (n == 0) return IsBlank(portName_) ? 1 : Rename(portName_);
    return Rename(PortNameForNumber(n));
}

int SerialPort::Rename(const std::string& name) {
    portName_ = name;
    if (trace_ != nullptr) trace_->PortNamed(portName_);
    if (!isOpen_) return 1;
    const int closed = Close();
    const int opened = Open();
    return closed && opened;
}

int SerialPort::SetInputQueueSize(uint16_t size) {
    inputQueueSize_ = size;
    if (!isOpen_) return 1;
    return device_->SetQueueSizes(inputQueueSize_, outputQueueSize_);
}

int SerialPort::SetOutputQueueSize(uint16_t size) {
    outputQueueSize_ = size;
    if (!isOpen_) return 1;
    return device_->SetQueueSizes(inputQueueSize_, outputQueueSize_);
}

int SerialPort::SetSettings(const std::string& text) {
    std::string compact = text;
    compact.erase(std::remove(compact.begin(), compact.end(), ' '), compact.end());
    settings_ = compact;
    const int applied = isOpen_ ? ApplySettings() : 1;
    if (trace_ != nullptr) trace_->SettingsChanged(settings_, isOpen_ != 0, applied != 0);
    return applied;
}

int SerialPort::SetReadTimeout(uint32_t ms) {
    readTimeoutConstant_ = ms;
    const int applied = isOpen_ ? ApplyTimeouts() : 1;
    if (trace_ != nullptr) trace_->ReadTimeoutChanged(ms, isOpen_ != 0, applied != 0);
    return applied;
}

int SerialPort::SetOpen(int wanted) {
    if ((wanted != 0) == (isOpen_ != 0)) return 1;
    return wanted ? Open() : Close();
}

int SerialPort::Open() {
    // A second open of the held port would fail on the exclusive open anyway; refusing it here
    // keeps the handle that is already open from leaking.
    if (isOpen_) {
        lastOpenError_ = OpenError::Busy;
        if (trace_ != nullptr) trace_->Opened(portName_, false, lastOpenError_);
        return 0;
    }
    if (IsBlank(portName_) || !device_->Open(portName_)) {
        // A port never named has no device to open.
        lastOpenError_ = IsBlank(portName_) ? OpenError::NotFound : device_->LastOpenError();
        if (trace_ != nullptr) trace_->Opened(portName_, false, lastOpenError_);
        return 0;
    }
    lastOpenError_ = OpenError::None;
    refusedSettings_.clear();
    isOpen_ = 1;
    if (trace_ != nullptr) trace_->Opened(portName_, true, lastOpenError_);
    // The first failure ends Open; the port then stays open until Close releases it.
    return SetInputQueueSize(inputQueueSize_) && SetOutputQueueSize(outputQueueSize_) &&
           SetSettings(settings_) && SetReadTimeout(readTimeoutConstant_) && device_->ClearRts();
}

int SerialPort::Close() {
    const int closed = device_->Close();
    isOpen_ = 0;
    if (trace_ != nullptr) trace_->Closed(portName_, closed != 0);
    return closed;
}

int SerialPort::IsRs232() {
    WaitMs(kPortTypeQueryPauseMs);
    const int subtype = device_->ProviderSubtype();
    WaitMs(kPortTypeQueryPauseMs);
    return subtype == kProviderSubtypeRs232 ? 1 : 0;
}

void SerialPort::Interrupt() { device_->Interrupt(); }

std::string SerialPort::HeldBy() const { return device_->HeldBy(); }

int SerialPort::PurgeInput() {
    const int purged = device_->PurgeInput();
    if (trace_ != nullptr) trace_->InputPurged(purged != 0);
    return purged;
}

int SerialPort::WriteRaw(const uint8_t* data, size_t length) {
    return device_->Write(data, length);
}

size_t SerialPort::ReadRaw(uint8_t* buffer, size_t n) { return device_->Read(buffer, n); }

int SerialPort::ApplySettings() {
    if (!device_->ApplySettings(settings_)) {
        refusedSettings_ = settings_;
        return 0;
    }
    return device_->ClearRts();
}

int SerialPort::ApplyTimeouts() {
    return device_->ApplyTimeouts(readTimeoutConstant_, kReadTimeoutMultiplier);
}

}  // namespace updater
