#pragma once
// The loader's end of the line: a pseudo-terminal whose slave side the Updater opens as its
// serial port. A second handle on the slave side lets the loader see the line settings the
// Updater applies and keeps the terminal alive while the Updater closes and reopens it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/UartSettings.h"

namespace updater::sim {

class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens the pair and sets the slave side raw at once. False (with a reason) on failure.
    bool Open(std::string* error);
    // Closes both handles: the Updater's side sees a hang-up.
    void Close();
    bool IsOpen() const { return master_ >= 0; }

    const std::string& SlavePath() const { return slavePath_; }
    int MasterHandle() const { return master_; }

    // The settings in force on the slave side now.
    UartSettings ReadUartSettings() const;
    // Bytes the loader sent that the Updater has not read yet.
    std::size_t PendingForUpdater() const;
    // Reads what the Updater wrote (non-blocking); -1 on error, 0 when nothing is there.
    long Read(uint8_t* buffer, std::size_t size);
    // Writes all bytes, waiting at most `bound` for room; false when they could not all go.
    bool Write(const uint8_t* data, std::size_t size, std::chrono::milliseconds bound);

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace updater::sim
