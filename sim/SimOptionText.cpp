#include "sim/SimOptionText.h"

#include <algorithm>
#include <utility>

namespace updater::sim {

namespace {

constexpr std::pair<const char*, SimEvent> kEventNames[] = {
    {"request", SimEvent::ConnectionRequest},
    {"identify", SimEvent::Identify},
    {"tag", SimEvent::TagQuery},
    {"version", SimEvent::VersionQuery},
    {"area-code", SimEvent::AreaCode},
    {"checkpoint", SimEvent::Checkpoint},
    {"w-frame", SimEvent::WFrame},
    {"x-frame", SimEvent::XFrame},
    {"address-range", SimEvent::AddressRange},
    {"bracket", SimEvent::Bracket},
    {"end", SimEvent::End},
};

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<EventFault> EventFaultFromText(const std::string& text) {
    const auto colon = text.find(':');
    const std::string name = text.substr(0, colon);
    int occurrence = 1;
    if (colon != std::string::npos) {
        const std::string count = text.substr(colon + 1);
        if (count.empty() || count.size() > 6 ||
            !std::all_of(count.begin(), count.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        occurrence = std::stoi(count);
        if (occurrence < 1) return std::nullopt;
    }
    for (const auto& [known, event] : kEventNames) {
        if (name == known) return EventFault{event, occurrence};
    }
    return std::nullopt;
}

std::string EventFaultNames() {
    std::string names;
    for (const auto& [name, event] : kEventNames) {
        if (!names.empty()) names += ' ';
        names += name;
    }
    return names;
}

std::optional<std::array<uint8_t, 16>> ModelFromText(const std::string& text) {
    if (text.size() > 16) return std::nullopt;
    std::array<uint8_t, 16> model;
    model.fill(0xFF);
    std::fill(model.begin(), model.begin() + 8, ' ');
    std::copy(text.begin(), text.end(), model.begin());
    return model;
}

std::optional<std::array<uint8_t, 16>> TagFromHex(const std::string& hex) {
    if (hex.size() != 32) return std::nullopt;
    std::array<uint8_t, 16> tag{};
    for (std::size_t i = 0; i < tag.size(); ++i) {
        const int high = DigitValue(hex[2 * i]);
        const int low = DigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        tag[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return tag;
}

std::optional<std::array<uint8_t, 16>> VersionFromText(const std::string& text) {
    if (text.size() > 16) return std::nullopt;
    std::array<uint8_t, 16> version{};
    std::copy(text.begin(), text.end(), version.begin());
    return version;
}

}  // namespace updater::sim
