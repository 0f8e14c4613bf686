#include "platform/TerminalText.h"

#include <cstdio>

namespace lorvena {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the C1 control or line/paragraph separator that starts at
// `at`, or 0. Both are multi-byte in UTF-8: C2 80..C2 9F and E2 80 A8/A9.
std::size_t quietSequenceAt(std::string_view text, std::size_t at, char32_t& codePoint)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(at) == 0xC2 && at + 1 < text.size() && byte(at + 1) >= 0x80 && byte(at + 1) <= 0x9F) {
        codePoint = byte(at + 1);
        return 2;
    }
    if (byte(at) == 0xE2 && at + 2 < text.size() && byte(at + 1) == 0x80
        && (byte(at + 2) == 0xA8 || byte(at + 2) == 0xA9)) {
        codePoint = 0x2000 + byte(at + 2) - 0x80;
        return 3;
    }
    return 0;
}

} // namespace

std::string printableText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t codePoint = 0;
        std::size_t length = quietSequenceAt(text, i, codePoint);
        if (length == 2) {
            out += replacement;
            i += length;
        } else if (c < 0x20 || c == 0x7F) {
            out += replacement;
            ++i;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

std::string escapeJsonControls(std::string_view json)
{
    std::string out;
    out.reserve(json.size());
    char escape[8];
    for (std::size_t i = 0; i < json.size();) {
        char32_t codePoint = static_cast<unsigned char>(json[i]);
        std::size_t length = quietSequenceAt(json, i, codePoint);
        if (length == 0 && codePoint == 0x7F)
            length = 1;
        if (length == 0) {
            out += json[i++];
            continue;
        }
        // Outside strings a JSON serializer writes only ASCII punctuation,
        // digits and letters, so these bytes stand inside a string.
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(codePoint));
        out += escape;
        i += length;
    }
    return out;
}

} // namespace lorvena
