#include "image/StoredImage.h"

#include <utility>
#include <vector>

#include "image/Guarded.h"
#include "image/ImageFile.h"
#include "image/ImageLoader.h"
#include "image/ImageText.h"

namespace updater {

StoredImage StoredImage::Carried(std::span<const uint8_t> bytes) {
    StoredImage image;
    if (bytes.data() == nullptr) {
        image.problem_ = ImageProblem::EmbeddedImageMissing;
        return image;
    }
    if (!Guarded([&] {
            MapInWhole(bytes);
            image.text_ = ImageText::Borrowed(bytes, true);
            return true;
        })) {
        image.problem_ = ImageProblem::OutOfMemory;
    }
    return image;
}

StoredImage StoredImage::ReadFile(const std::string& path) {
    StoredImage image;
    if (!Guarded([&] {
            image.path_ = path;
            std::vector<uint8_t> bytes;
            image.problem_ = ReadImageFile(path, kMaxImageFileSize, bytes);
            if (image.problem_ == ImageProblem::None) {
                image.text_ = ImageText::Owned(std::move(bytes), true);
            }
            return true;
        })) {
        image.problem_ = ImageProblem::OutOfMemory;
    }
    return image;
}

StoredImage StoredImage::Copied(std::span<const uint8_t> bytes) {
    StoredImage image;
    if (bytes.size() > kMaxImageFileSize) {
        image.problem_ = ImageProblem::TooLarge;
        return image;
    }
    if (!Guarded([&] {
            image.text_ = ImageText::Owned({bytes.begin(), bytes.end()}, true);
            return true;
        })) {
        image.problem_ = ImageProblem::OutOfMemory;
    }
    return image;
}

}  // namespace updater
