// The host tools carry no image of their own: they only read the files they are given.
#include "res/EmbeddedImage.h"

namespace updater {

std::span<const uint8_t> EmbeddedImageBytes() { return {}; }

}  // namespace updater
