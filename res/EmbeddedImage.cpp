#include "res/EmbeddedImage.h"

#include "updater_version.h"

namespace updater {

const StoredImage& EmbeddedImage() {
    static const StoredImage image = StoredImage::Carried(EmbeddedImageBytes());
    return image;
}

StoredImage ChosenImage(const ImageFile& file) {
    return file ? StoredImage::ReadFile(*file) : EmbeddedImage();
}

std::string VersionReport(std::string_view program) {
    FirmwareImage image;
    const bool valid = LoadAndValidateImage(image, EmbeddedImage());
    return std::string(program) + " " + UPDATER_VERSION_STRING +
           "\nembedded image: " + (valid ? image.VersionText() : std::string(kTextInvalidVersion));
}

}  // namespace updater
