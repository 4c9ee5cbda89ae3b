#include "front/WindowTexts.h"

#include "protocol/Messages.h"

namespace updater {

namespace {

// Nine blanks between the model names and the version: the caption's fixed layout.
constexpr const char* kTitleVersionSeparator = "         Ver. ";

}  // namespace

std::string WindowCaption(bool imageValid, const FirmwareImage& image) {
    return std::string(kCaptionUpdater) + kTitleVersionSeparator +
           (imageValid ? image.VersionText() : std::string(kTextInvalidVersion));
}

}  // namespace updater
