#pragma once
// Result codes that a failing step writes into the update's result slot.

#include <cstdint>

namespace updater {

inline constexpr uint32_t ERR_PORT_OPEN = 0xFFFF0001;
inline constexpr uint32_t ERR_PORT_CLOSE = 0xFFFF0002;
inline constexpr uint32_t ERR_NO_LINK = 0xFFFF0005;
inline constexpr uint32_t ERR_MODEL = 0xFFFF0006;
inline constexpr uint32_t ERR_COMMAND = 0xFFFF0007;
inline constexpr uint32_t ERR_CANCELLED = 0xFFFF0010;

// Stores code in the caller's slot when the caller passed one.
inline void StoreResult(uint32_t* slot, uint32_t code) {
    if (slot != nullptr) *slot = code;
}

}  // namespace updater
