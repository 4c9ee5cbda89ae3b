#include "image/ImageWarnings.h"

#include <cstdio>

#include "image/ImageAreas.h"

namespace updater {

namespace {

void FindPastAreaTop(const char* area, const RecordList& blocks, uint32_t top,
                     std::vector<ImageWarning>& out) {
    for (const ImageRecord& block : blocks) {
        if (block.count > 0 && block.End() > top + 1) {
            out.push_back({ImageWarningKind::PastAreaTop, area, block.address, block.count, top});
        }
    }
}

// The transfer order takes the first block at or above kTopTransferFirst, then every block at
// or below it: the other blocks above it are never sent.
void FindNotTransferred(const RecordList& blocks, std::vector<ImageWarning>& out) {
    bool firstTaken = false;
    for (const ImageRecord& block : blocks) {
        if (block.address < kTopTransferFirst) continue;
        if (!firstTaken) {
            firstTaken = true;
            continue;
        }
        if (block.address > kTopTransferFirst && block.count > 0) {
            out.push_back({ImageWarningKind::NotTransferred, "top", block.address, block.count,
                           kTopArea.last});
        }
    }
}

std::string Address(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", address);
    return text;
}

}  // namespace

std::vector<ImageWarning> FindImageWarnings(const FirmwareImage& image) {
    std::vector<ImageWarning> warnings;
    FindPastAreaTop("low", image.lowAreaRecords, kLowArea.last, warnings);
    FindPastAreaTop("main", image.mainAreaRecords, kMainArea.last, warnings);
    FindPastAreaTop("top", image.topAreaRecords, kTopArea.last, warnings);
    FindNotTransferred(image.topAreaRecords, warnings);
    if (image.linesOutsideAreas > 0) {
        warnings.push_back({ImageWarningKind::OutsideAreas, "", image.firstOutsideAddress,
                            image.linesOutsideAreas, 0});
    }
    if (image.VersionText().empty())
        warnings.push_back({ImageWarningKind::NoIdentity, "", 0, 0, 0});
    return warnings;
}

std::string ImageWarningText(const ImageWarning& warning) {
    if (warning.kind == ImageWarningKind::OutsideAreas) {
        return std::to_string(warning.count) + " data line" + (warning.count == 1 ? "" : "s") +
               " outside the low, main and top areas (the first at " + Address(warning.address) +
               ") will not be written";
    }
    if (warning.kind == ImageWarningKind::NoIdentity) {
        return "the image has no identity block at " + Address(kIdentityAddress) +
               ": it carries no version, so the radio's version cannot be compared with it";
    }
    const std::string block = std::string(warning.area) + "-area block at " +
                              Address(warning.address) + " (" + std::to_string(warning.count) +
                              " bytes)";
    if (warning.kind == ImageWarningKind::NotTransferred) {
        return block +
               " will not be written: it is not in the transfer list, which takes the area's "
               "blocks up to " +
               Address(kTopTransferFirst) + " and only the first one from there up";
    }
    const uint32_t end = warning.address + static_cast<uint32_t>(warning.count);
    const uint32_t beyond = end - (warning.areaTop + 1);
    return block + " reaches past the area's top " + Address(warning.areaTop) + ": " +
           std::to_string(beyond) + " of its bytes lie at " + Address(warning.areaTop + 1) + "-" +
           Address(end - 1);
}

}  // namespace updater
