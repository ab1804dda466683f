#include "packet_tool/display_text.h"

#include <cstdio>

namespace {

void escape_byte(std::string& out, unsigned char c) {
    switch (c) {
        case '\t':
            out += "\\t";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        default: {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
}

// Length of the well-formed UTF-8 sequence of two to four bytes at s[i] that
// encodes a printable code point (not a C1 control, not a surrogate, not
// above U+10FFFF, not overlong); 0 when there is none.
std::size_t utf8_sequence(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t len = 0;
    unsigned long cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        cp = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        cp = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const unsigned char c = byte(i + k);
        if ((c & 0xC0u) != 0x80u) return 0;
        cp = (cp << 6) | (c & 0x3Fu);
    }
    static const unsigned long smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    if (cp <= 0x9F) return 0;  // C1 control
    return len;
}

}  // namespace

std::string display_text(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const std::size_t len = c >= 0x80 ? utf8_sequence(raw, i) : 0;
        if (len > 0) {
            out.append(raw.substr(i, len));
            i += len;
            continue;
        }
        escape_byte(out, c);
        ++i;
    }
    return out;
}
