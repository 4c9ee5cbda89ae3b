#include "link/PortDescription.h"

#include <cctype>
#include <vector>

namespace updater {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

}  // namespace

std::string ShortPortName(const std::string& device) {
    // Device names below /dev keep their folder ("pts/3"); other paths are named by their file.
    const std::string dev = "/dev/";
    if (device.compare(0, dev.size(), dev) == 0) return device.substr(dev.size());
    const size_t cut = device.find_last_of("/\\");
    return cut == std::string::npos ? device : device.substr(cut + 1);
}

std::string DescriptionText(const PortDescription& d) {
    std::vector<std::string> parts;
    if (!d.friendlyName.empty()) parts.push_back(d.friendlyName);
    if (!d.product.empty() && d.product != d.friendlyName) parts.push_back(d.product);
    if (!d.vendor.empty()) parts.push_back(d.vendor);
    if (!d.usbId.empty()) parts.push_back("USB " + d.usbId);
    if (!d.serial.empty()) parts.push_back("serial " + d.serial);
    if (!d.location.empty()) parts.push_back(d.location);
    if (!d.stableName.empty()) parts.push_back(d.stableName);
    if (d.systemConsole) parts.push_back("system console");
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string FriendlyNameWithoutPort(const std::string& friendlyName, const std::string& portName) {
    const std::string tail = " (" + portName + ")";
    if (friendlyName.size() >= tail.size() &&
        friendlyName.compare(friendlyName.size() - tail.size(), tail.size(), tail) == 0) {
        return friendlyName.substr(0, friendlyName.size() - tail.size());
    }
    return friendlyName;
}

std::string PortLabel(const std::string& device, const PortDescription& d) {
    const std::string name = ShortPortName(device);
    const std::string console = d.systemConsole ? " (system console)" : "";
    const std::string text =
        d.product.empty() ? FriendlyNameWithoutPort(d.friendlyName, name) : d.product;
    if (text.empty()) return name + console;
    std::string label = name + " \u2014 " + text;
    if (!d.serial.empty()) label += " (" + d.serial + ")";
    return label + console;
}

std::string DecodeDatabaseString(const std::string& encoded) {
    std::string text;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            const int high = HexValue(encoded[i + 2]);
            const int low = HexValue(encoded[i + 3]);
            if (high >= 0 && low >= 0) {
                text.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        text.push_back(encoded[i]);
    }
    // Padding blanks of USB string descriptors say nothing.
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace updater
