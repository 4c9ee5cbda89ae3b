#include "link/LineSettings.h"

#include <charconv>
#include <string_view>
#include <vector>

namespace updater {
namespace {

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

std::optional<uint32_t> ParseDecimal(std::string_view field) {
    uint32_t value = 0;
    const char* end = field.data() + field.size();
    auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (field.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<Parity> ParseParity(std::string_view field) {
    if (field.size() != 1) return std::nullopt;
    switch (field[0]) {
        case 'N':
        case 'n':
            return Parity::None;
        case 'E':
        case 'e':
            return Parity::Even;
        case 'O':
        case 'o':
            return Parity::Odd;
        case 'M':
        case 'm':
            return Parity::Mark;
        case 'S':
        case 's':
            return Parity::Space;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(const std::string& text) {
    const auto fields = SplitFields(text);
    if (fields.size() != 4) return std::nullopt;

    LineSettings settings;
    const auto speed = ParseDecimal(fields[0]);
    if (!speed || *speed == 0) return std::nullopt;
    settings.speed = *speed;

    const auto parity = ParseParity(fields[1]);
    if (!parity) return std::nullopt;
    settings.parity = *parity;

    const auto dataBits = ParseDecimal(fields[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8) return std::nullopt;
    settings.dataBits = static_cast<int>(*dataBits);

    if (fields[3] == "1") {
        settings.stopBits = StopBits::One;
    } else if (fields[3] == "2") {
        settings.stopBits = StopBits::Two;
    } else if (fields[3] == "1.5" && settings.dataBits == 5) {
        settings.stopBits = StopBits::OneAndHalf;
    } else {
        return std::nullopt;
    }
    return settings;
}

}  // namespace updater
