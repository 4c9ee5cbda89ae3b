#pragma once
// Address ranges of the radio's memory that an image may fill, and the fixed places in them.

#include <cstdint>

namespace updater {

struct ImageArea {
    uint32_t first;  // lowest start address kept
    uint32_t last;   // highest start address kept; also the top address of the area
};

inline constexpr ImageArea kLowArea{0x10000, 0x13FFF};
inline constexpr ImageArea kMainArea{0x80000, 0xEFFFF};
inline constexpr ImageArea kTopArea{0xF0000, 0xFFFFF};

inline constexpr uint32_t kMaxLineAddress = 0xFFFFF;

// Identity block in the main area: the model identity string, then the image version.
inline constexpr uint32_t kIdentityAddress = 0xD0000;
inline constexpr uint32_t kIdentitySearchStart = 0xCFF00;
inline constexpr int kIdentityLength = 32;  // 31 characters and a terminating zero
inline constexpr int kVersionOffset = 0x30;
inline constexpr int kImageVersionLength = 8;
inline constexpr char kModelIdentity[] = "QA-7712/7713 NORVALE LMR BI    ";
static_assert(sizeof(kModelIdentity) == kIdentityLength);

// Version block at the start of the top area, which holds the top-area tag.
inline constexpr uint32_t kVersionBlockAddress = 0xF0000;
inline constexpr uint32_t kVersionBlockLimit = 0xF0100;
inline constexpr int kTagOffset = 0x20;
inline constexpr int kTagLength = 16;

// Top-area blocks from here on are written first (see BuildTopAreaTransferList).
inline constexpr uint32_t kTopTransferFirst = 0xFFF00;

}  // namespace updater
