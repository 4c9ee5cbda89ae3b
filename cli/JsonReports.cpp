#include "cli/JsonReports.h"

#include <csignal>
#include <string>

#include "cli/HexText.h"
#include "link/PortDescription.h"

namespace updater::cli {

namespace {

nlohmann::json BlocksJson(const RecordList& list) {
    nlohmann::json blocks = nlohmann::json::array();
    for (const ImageRecord& block : list) {
        std::string data;
        for (int i = 0; i < block.count; ++i) data += Hex(block.ByteAt(i), 2);
        blocks.push_back(
            {{"address", Hex(block.address, 6)}, {"count", block.count}, {"data", data}});
    }
    return blocks;
}

// A signal by its usual name.
std::string SignalText(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
#ifdef SIGQUIT
        case SIGQUIT:
            return "SIGQUIT";
#endif
#ifdef SIGHUP
        case SIGHUP:
            return "SIGHUP";
#endif
#ifdef SIGBREAK
        case SIGBREAK:
            return "SIGBREAK";
#endif
        default:
            return "signal " + std::to_string(signal);
    }
}

nlohmann::json TextOrNull(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

}  // namespace

nlohmann::json ImageJson(const FirmwareImage& image, bool blocks) {
    const std::string tag = HexBytes(image.imageTopAreaTag);
    nlohmann::json json = {
        {"version", image.VersionText()},
        {"top_area_tag", tag},
        {"blocks",
         {{"low", image.lowAreaRecords.Size()},
          {"main", image.mainAreaRecords.Size()},
          {"top", image.topAreaRecords.Size()},
          {"transfer", image.topAreaTransferList.Size()}}},
    };
    if (blocks) {
        json["low_blocks"] = BlocksJson(image.lowAreaRecords);
        json["main_blocks"] = BlocksJson(image.mainAreaRecords);
        json["top_blocks"] = BlocksJson(image.topAreaRecords);
        json["transfer_blocks"] = BlocksJson(image.topAreaTransferList);
    }
    return json;
}

nlohmann::json PortsJson(const std::vector<PortInfo>& ports) {
    nlohmann::json list = nlohmann::json::array();
    for (const PortInfo& port : ports) {
        const PortDescription& d = port.description;
        list.push_back({
            {"device", port.device},
            {"name", ShortPortName(port.device)},
            {"label", port.Label()},
            {"description", TextOrNull(DescriptionText(d))},
            {"product", TextOrNull(d.product)},
            {"vendor", TextOrNull(d.vendor)},
            {"usb_id", TextOrNull(d.usbId)},
            {"serial", TextOrNull(d.serial)},
            {"location", TextOrNull(d.location)},
            {"stable_name", TextOrNull(d.stableName)},
            {"friendly_name", TextOrNull(d.friendlyName)},
            {"system_console", d.systemConsole},
            {"usable", port.Usable()},
            {"access", AccessKeyword(port.access)},
            {"reason", TextOrNull(AccessReason(port))},
            {"held_by", TextOrNull(port.heldBy)},
        });
    }
    return list;
}

nlohmann::json OutcomeJson(const std::string& port, const UpdateOutcome& outcome, int exitStatus) {
    return {
        {"port", port},
        {"written", outcome.result == 1},
        {"cancelled", outcome.cancelled()},
        // Began writing and did not complete: see kPartlyWritten.
        {"partly_written", outcome.partlyWritten()},
        {"code",
         outcome.code != 0 ? nlohmann::json(Hex(outcome.code, 8)) : nlohmann::json(nullptr)},
        {"exit_status", exitStatus},
        {"failed_step", TextOrNull(outcome.failedStep)},
        {"failed_activity", TextOrNull(outcome.failedActivity)},
        {"model", TextOrNull(outcome.radioModel)},
        {"version_before", TextOrNull(outcome.radioVersion)},
        {"detail", TextOrNull(outcome.detail)},
        {"reason", TextOrNull(outcome.ReasonText())},
        {"fault", outcome.result == 1 ? nlohmann::json(nullptr)
                                      : nlohmann::json(LineFaultWord(outcome.reason.fault))},
        {"stopped_by", outcome.stoppedBy != 0 ? nlohmann::json(SignalText(outcome.stoppedBy))
                                              : nlohmann::json(nullptr)},
    };
}

}  // namespace updater::cli
