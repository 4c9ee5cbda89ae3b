#include "cli/ShownText.h"

#include <cstdint>
#include <cstdio>

namespace updater::cli {

namespace {

void AppendEscaped(std::string& shown, unsigned char byte) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    shown += escaped;
}

// The length of the UTF-8 sequence at text[i] that is a character to show as it is, 0 when the
// byte starts none (a stray or overlong byte, or a C1 control).
size_t PrintableSequence(const std::string& text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool invalid = code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF);
    const bool c1Control = code >= 0x80 && code <= 0x9F;
    return overlong || invalid || c1Control ? 0 : length;
}

}  // namespace

std::string Shown(const std::string& text, bool keepLineEnds) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n' && keepLineEnds) {
            shown += '\n';
            ++i;
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscaped(shown, byte);
            ++i;
        } else if (byte < 0x80) {
            shown += text[i];
            ++i;
        } else if (const size_t length = PrintableSequence(text, i); length > 0) {
            shown.append(text, i, length);
            i += length;
        } else {
            AppendEscaped(shown, byte);
            ++i;
        }
    }
    return shown;
}

}  // namespace updater::cli
