#include "tools/SRecordWriter.h"

#include <vector>

namespace updater::tools {

namespace {

void AppendHexByte(std::string& out, uint32_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.push_back(kDigits[(byte >> 4) & 0xF]);
    out.push_back(kDigits[byte & 0xF]);
}

// type, address of addressBytes bytes, data; the count and checksum are computed.
std::string Record(char type, uint32_t address, int addressBytes, std::span<const uint8_t> data) {
    std::string line = {'S', type};
    const uint32_t count = static_cast<uint32_t>(addressBytes + data.size() + 1);
    uint32_t sum = count;
    AppendHexByte(line, count);
    for (int i = addressBytes - 1; i >= 0; --i) {
        const uint32_t byte = (address >> (8 * i)) & 0xFF;
        sum += byte;
        AppendHexByte(line, byte);
    }
    for (uint8_t byte : data) {
        sum += byte;
        AppendHexByte(line, byte);
    }
    AppendHexByte(line, 0xFF - (sum & 0xFF));
    line += kLineEnd;
    return line;
}

}  // namespace

std::string HeaderLine(std::string_view text) {
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    return Record('0', 0, 2, bytes);
}

std::string DataLine(uint32_t address, std::span<const uint8_t> bytes) {
    return Record('2', address, 3, bytes);
}

std::string EndLine(uint32_t startAddress) { return Record('8', startAddress, 3, {}); }

}  // namespace updater::tools
