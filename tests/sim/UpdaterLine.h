#pragma once
// The Updater's end of the line for the simulator tests, written with plain termios calls so
// that the tests depend on nothing but the simulator itself.

#include <cstdint>
#include <string>
#include <vector>

namespace updater::sim::test {

class UpdaterLine {
  public:
    // Opens the terminal; then, unless told not to, the 50 ms the loader needs after an open.
    explicit UpdaterLine(const std::string& path, bool pauseAfterOpen = true);
    ~UpdaterLine();
    UpdaterLine(const UpdaterLine&) = delete;
    UpdaterLine& operator=(const UpdaterLine&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Raw 8 data bits, no parity, at `speed` with `stopBits`; then the 100 ms the loader needs
    // to follow the change.
    bool SetLine(int speed, int stopBits = 2);
    // Only the speed, without the pause after it (for tests of a line changed too late).
    bool SetLineAbruptly(int speed);
    // Writes the bytes XORed with `key`; false when the line refused them.
    bool Write(const std::vector<uint8_t>& bytes);
    // Reads up to `count` bytes within `timeoutMs`, XORed back with `key`.
    std::vector<uint8_t> Read(std::size_t count, int timeoutMs);
    // The speed change frame 0x0F + code, with the pauses the loader needs around the switch.
    bool ChangeSpeed(uint8_t code, int speed);

    uint8_t key = 0;

  private:
    int fd_ = -1;
    int stopBits_ = 2;
};

// 'W' or 'X' frame: command, 24-bit address high byte first, count, data, data sum mod 256.
std::vector<uint8_t> BlockFrame(uint8_t command, uint32_t address,
                                const std::vector<uint8_t>& data);

}  // namespace updater::sim::test
