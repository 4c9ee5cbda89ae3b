// Loading and validating an image as the main window does, without the message and the port.
#include "image/FirmwareImage.h"

#include "image/ImageLoader.h"

namespace updater {

std::string VersionText(std::span<const uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < bytes.size() && i < kImageVersionLength && bytes[i] != 0; ++i) {
        const uint8_t byte = bytes[i];
        if (byte < 0x20 || byte == 0x7F) {
            text += "\\x";
            text.push_back(kHex[byte >> 4]);
            text.push_back(kHex[byte & 0x0F]);
        } else if (byte < 0x80) {
            text.push_back(static_cast<char>(byte));
        } else {
            text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return text;
}

std::string FirmwareImage::VersionText() const { return updater::VersionText(imageVersion); }

namespace {

bool HoldsData(const RecordList& area) {
    for (int i = 0; i < area.Size(); ++i) {
        if (area.CountOf(i) > 0) return true;
    }
    return false;
}

}  // namespace

bool LoadAndValidateImage(FirmwareImage& image, const StoredImage& stored, ImageLoadForm form) {
    image.problem = ImageProblem::None;
    bool valid = true;
    auto refuse = [&](ImageProblem problem) {
        valid = false;
        if (image.problem == ImageProblem::None) image.problem = problem;  // the first one counts
    };
    ImageLoader loader;
    bool checkIdentity = true;
    if (!loader.LoadImage(image.lowAreaRecords, image.mainAreaRecords, image.topAreaRecords,
                          stored)) {
        refuse(loader.Problem());
        // At start-up the checks still run over what the failed load left in the lists.
        checkIdentity = (form == ImageLoadForm::StartUp);
    }
    image.linesOutsideAreas = loader.Outside().count;
    image.firstOutsideAddress = loader.Outside().firstAddress;
    if (checkIdentity) {
        if (!ImageLoader::CheckIdentityBlock(image.mainAreaRecords, image.imageVersion)) {
            refuse(ImageProblem::OtherModel);
        } else if (!ImageLoader::ReadTopAreaTag(image.topAreaRecords, image.imageTopAreaTag)) {
            refuse(ImageProblem::TopAreaOutOfOrder);
        }
    }
    if (valid && !HoldsData(image.lowAreaRecords) && !HoldsData(image.mainAreaRecords) &&
        !HoldsData(image.topAreaRecords)) {
        refuse(ImageProblem::NothingToWrite);
    }
    // The transfer order is rebuilt whatever the outcome.
    image.topAreaTransferList.Clear();
    if (!ImageLoader::BuildTopAreaTransferList(image.topAreaRecords, image.topAreaTransferList)) {
        refuse(ImageProblem::OutOfMemory);
    }
    return valid;
}

}  // namespace updater
