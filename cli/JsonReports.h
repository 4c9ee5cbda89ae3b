#pragma once
// The machine-readable forms (--json) of what `info` and `list-ports` print.

#include <nlohmann/json.hpp>
#include <vector>

#include "image/FirmwareImage.h"
#include "link/PortProbe.h"
#include "protocol/Update.h"

namespace updater::cli {

// {"version", "top_area_tag", "blocks": {"low", "main", "top", "transfer"}}; with blocks, also
// "low_blocks" ... "transfer_blocks": [{"address", "count", "data"}] (hex texts).
nlohmann::json ImageJson(const FirmwareImage& image, bool blocks);

// [{"device", "name", "label", "description", "product", "vendor", "usb_id", "serial",
//   "location", "stable_name", "friendly_name", "usable", "access", "reason", "held_by"}];
// unknown texts are null.
nlohmann::json PortsJson(const std::vector<PortInfo>& ports);

// {"port", "written", "cancelled", "code" (hex text, null when none), "exit_status",
//  "failed_step", "failed_activity", "model", "version_before", "detail" (why the port did not
//  open), "reason" (why the update did not complete, one sentence), "fault" (its kind as a
//  word), "stopped_by" (the signal that stopped it)}; unknown texts are null.
nlohmann::json OutcomeJson(const std::string& port, const UpdateOutcome& outcome, int exitStatus);

}  // namespace updater::cli
