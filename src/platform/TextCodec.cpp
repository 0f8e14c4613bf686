#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>

namespace lorvena {

namespace {

constexpr const char* deviceCodePage = "WINDOWS-1250";

// Converts with iconv, writing `replacement` for every input sequence the
// target cannot take and skipping it, so that one stray byte never loses the rest of the text.
std::string convert(std::string_view input, const char* from, const char* to, std::string_view replacement)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(input);
    std::string output;
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char chunk[256];
    while (inLeft > 0) {
        char* out = chunk;
        std::size_t outLeft = sizeof chunk;
        std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(chunk, static_cast<std::size_t>(out - chunk));
        if (result != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: an input sequence the target cannot take.
        output.append(replacement);
        if (std::string_view(from) == "UTF-8") {
            // Skip the whole UTF-8 sequence, not just its lead byte.
            auto lead = static_cast<unsigned char>(*in);
            std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (length > inLeft)
                length = inLeft;
            in += length;
            inLeft -= length;
        } else {
            ++in;
            --inLeft;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return output;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t extra;
        char32_t minimum;
        char32_t value;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, minimum = 0x80, value = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, minimum = 0x800, value = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, minimum = 0x10000, value = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= bytes.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string deviceTextToUtf8(std::string_view deviceBytes)
{
    if (isValidUtf8(deviceBytes))
        return std::string(deviceBytes);
    return convert(deviceBytes, deviceCodePage, "UTF-8", "\xEF\xBF\xBD");
}

std::string windows1250ToUtf8(std::string_view bytes)
{
    return convert(bytes, deviceCodePage, "UTF-8", "\xEF\xBF\xBD");
}

std::string utf8ToDeviceText(std::string_view utf8)
{
    return convert(utf8, "UTF-8", deviceCodePage, "?");
}

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80)
            continue;
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

} // namespace lorvena
