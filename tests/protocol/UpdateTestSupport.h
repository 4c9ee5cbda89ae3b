#pragma once
// Shared by the update tests: a host that records what the user would see, small images built
// in the test, and the comparison of the simulated radio's memory with an image.

#include <array>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "image/FirmwareImage.h"
#include "protocol/UpdateHost.h"
#include "sim/RadioSimulator.h"
#include "tests/support/RadioMemoryCheck.h"
#include "tests/support/TestRecords.h"

namespace updater::testing {

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
    bool operator==(const ShownMessage&) const = default;
};

// Records messages and progress, and answers the version confirmation as told.
class RecordingHost : public UpdateHost {
  public:
    explicit RecordingHost(int confirmAnswer = ID_OK) : confirmAnswer_(confirmAnswer) {}

    void SetProgressRange(int maximum) override {
        std::lock_guard lock(mutex_);
        threads_.insert(std::this_thread::get_id());
        ranges_.push_back(maximum);
    }
    void SetProgressPosition(int position) override {
        std::lock_guard lock(mutex_);
        threads_.insert(std::this_thread::get_id());
        positions_.push_back(position);
    }
    int ShowMessage(const std::string& text, const std::string& caption, unsigned style) override {
        std::lock_guard lock(mutex_);
        threads_.insert(std::this_thread::get_id());
        messages_.push_back({text, caption, style});
        return style == MB_OKCANCEL_EXCLAMATION ? confirmAnswer_ : ID_OK;
    }

    std::vector<ShownMessage> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<int> Positions() const {
        std::lock_guard lock(mutex_);
        return positions_;
    }
    std::vector<int> Ranges() const {
        std::lock_guard lock(mutex_);
        return ranges_;
    }
    // The threads the calls came from.
    std::set<std::thread::id> Threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }

  private:
    mutable std::mutex mutex_;
    int confirmAnswer_;
    std::vector<ShownMessage> messages_;
    std::vector<int> positions_;
    std::vector<int> ranges_;
    std::set<std::thread::id> threads_;
};

inline ImageRecord MakeRecord(uint32_t address, int count, uint8_t seed) {
    return MakeTestRecord(address, count, seed, 7);
}

// Appends `records` records of `count` bytes, back to back from `address`.
inline void AppendRun(RecordList& list, uint32_t address, int records, int count, uint8_t seed) {
    for (int i = 0; i < records; ++i) {
        list.Append(MakeRecord(address + static_cast<uint32_t>(i * count), count,
                               static_cast<uint8_t>(seed + i)));
    }
}

inline constexpr std::array<uint8_t, 16> kSmallImageTag = {
    'T', 'A', 'G', '-', 0x80, 0x9F, 0xFE, 0x01, '2', '0', '2', '4', 0xC3, 0x00, 0x7F, 0xAA};

// A few records per area, with the tag (bytes of 0x80 and above included) and a version.
inline FirmwareImage SmallImage() {
    FirmwareImage image;
    AppendRun(image.lowAreaRecords, 0x10000, 3, 128, 0x11);
    AppendRun(image.mainAreaRecords, 0xC0000, 4, 128, 0x22);
    image.mainAreaRecords.Append(MakeRecord(0xD0000, 17, 0x33));
    AppendRun(image.topAreaRecords, 0xF0000, 2, 128, 0x44);
    image.topAreaRecords.Append(MakeRecord(0xFFF00, 64, 0x55));
    // Written with the last block first, as the transfer order puts it.
    image.topAreaTransferList.Append(image.topAreaRecords[2]);
    image.topAreaTransferList.Append(image.topAreaRecords[0]);
    image.topAreaTransferList.Append(image.topAreaRecords[1]);
    image.imageVersion = {'V', '9', '.', '0', '1', 0, 0, 0};
    image.imageTopAreaTag = kSmallImageTag;
    return image;
}

}  // namespace updater::testing
