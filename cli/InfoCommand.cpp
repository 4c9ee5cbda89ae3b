// updater-cli info: loads and validates the firmware image as the main window does, and tells
// what it holds: the version, the top-area tag and the transfer blocks. Data that the radio will
// not keep as the image places it, and an image without an identity block, are warned about on
// stderr (and under "warnings" with --json); the image stays valid and the exit status is
// unchanged.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/HexText.h"
#include "cli/ImageLoading.h"
#include "cli/JsonReports.h"
#include "cli/ReportOutput.h"
#include "cli/ShownText.h"
#include "image/FirmwareImage.h"
#include "image/ImageWarnings.h"

namespace updater::cli {

namespace {

void PrintBlocks(const char* name, const RecordList& blocks) {
    for (const ImageRecord& block : blocks) {
        std::string line = std::string(name) + ' ' + Hex(block.address, 6) + ' ' +
                           std::to_string(block.count) + ' ';
        for (int i = 0; i < block.count; ++i) line += Hex(block.ByteAt(i), 2);
        std::cout << line << '\n';
    }
}

const char* KindKeyword(ImageWarningKind kind) {
    switch (kind) {
        case ImageWarningKind::PastAreaTop:
            return "past_area_top";
        case ImageWarningKind::NotTransferred:
            return "not_transferred";
        case ImageWarningKind::OutsideAreas:
            return "outside_areas";
        default:
            return "no_identity";
    }
}

// [{"kind", "area", "address", "count", "area_top", "text"}], addresses as hex texts; for the
// lines outside the areas, count is the lines and address the first one's.
nlohmann::json WarningsJson(const std::vector<ImageWarning>& warnings) {
    nlohmann::json list = nlohmann::json::array();
    for (const ImageWarning& warning : warnings) {
        list.push_back({{"kind", KindKeyword(warning.kind)},
                        {"area", warning.area},
                        {"address", Hex(warning.address, 6)},
                        {"count", warning.count},
                        {"area_top", Hex(warning.areaTop, 6)},
                        {"text", ImageWarningText(warning)}});
    }
    return list;
}

}  // namespace

Handler AddInfoCommand(CLI::App& app) {
    struct Options {
        std::string file;
        bool blocks = false;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* info = app.add_subcommand(
        "info", "Load and check the firmware image and show its version, tag and blocks.");
    info->add_option("--file", options->file,
                     "an image file of your own (scrambled S-record text) instead of the "
                     "embedded image");
    info->add_flag("--blocks", options->blocks, "also list every transfer block");
    info->add_flag("--json", options->json, "print the report as JSON");

    return [options] {
        FirmwareImage image;
        std::string problem;
        if (!LoadImageOrExplain(options->file, image, &problem)) {
            return options->json ? PrintJsonAndFinish(ErrorJson(problem, 1), 1) : 1;
        }
        const std::vector<ImageWarning> warnings = FindImageWarnings(image);
        ShowImageWarnings(image);
        if (options->json) {
            nlohmann::json report = ImageJson(image, options->blocks);
            report["warnings"] = WarningsJson(warnings);
            return PrintJsonAndFinish(report, 0);
        }
        const std::string tag = HexBytes(image.imageTopAreaTag);
        std::cout << "version: " << Shown(image.VersionText()) << '\n'
                  << "top-area tag: " << tag << '\n'
                  << "low-area blocks: " << image.lowAreaRecords.Size() << '\n'
                  << "main-area blocks: " << image.mainAreaRecords.Size() << '\n'
                  << "top-area blocks: " << image.topAreaRecords.Size() << '\n'
                  << "transfer-list blocks: " << image.topAreaTransferList.Size() << '\n';
        if (options->blocks) {
            PrintBlocks("low", image.lowAreaRecords);
            PrintBlocks("main", image.mainAreaRecords);
            PrintBlocks("top", image.topAreaRecords);
            PrintBlocks("transfer", image.topAreaTransferList);
        }
        return FinishOutput(0);
    };
}

}  // namespace updater::cli
