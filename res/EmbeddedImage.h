#pragma once
// The firmware image the program carries, in its stored (scrambled S-record) form.

#include <cstdint>
#include <span>

namespace updater {

std::span<const uint8_t> EmbeddedImageBytes();

}  // namespace updater
