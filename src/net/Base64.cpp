#include "net/Base64.h"

#include <cstdint>

namespace lorvena {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char sextet(std::uint32_t group, int shift)
{
    return alphabet[(group >> shift) & 0x3F];
}

} // namespace

std::string Base64Encode(std::string_view input)
{
    std::string output;
    output.reserve((input.size() + 2) / 3 * 4);
    std::size_t i = 0;
    auto byteAt = [&input](std::size_t index) { return static_cast<std::uint32_t>(static_cast<unsigned char>(input[index])); };
    for (; i + 3 <= input.size(); i += 3) {
        std::uint32_t group = byteAt(i) << 16 | byteAt(i + 1) << 8 | byteAt(i + 2);
        output += {sextet(group, 18), sextet(group, 12), sextet(group, 6), sextet(group, 0)};
    }
    std::size_t rest = input.size() - i;
    if (rest == 1) {
        std::uint32_t group = byteAt(i) << 16;
        output += {sextet(group, 18), sextet(group, 12), '=', '='};
    } else if (rest == 2) {
        std::uint32_t group = byteAt(i) << 16 | byteAt(i + 1) << 8;
        output += {sextet(group, 18), sextet(group, 12), sextet(group, 6), '='};
    }
    return output;
}

} // namespace lorvena
