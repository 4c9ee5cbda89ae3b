#pragma once
// The machine-readable forms (--json) of what `info` and `list-ports` print.

#include <nlohmann/json.hpp>
#include <vector>

#include "image/FirmwareImage.h"
#include "link/PortProbe.h"

namespace updater::cli {

// {"version", "top_area_tag", "blocks": {"low", "main", "top", "transfer"}}; with blocks, also
// "low_blocks" ... "transfer_blocks": [{"address", "count", "data"}] (hex texts).
nlohmann::json ImageJson(const FirmwareImage& image, bool blocks);

// [{"device", "name", "label", "description", "product", "vendor", "usb_id", "serial",
//   "location", "stable_name", "friendly_name", "usable", "access", "reason", "held_by"}];
// unknown texts are null.
nlohmann::json PortsJson(const std::vector<PortInfo>& ports);

}  // namespace updater::cli
