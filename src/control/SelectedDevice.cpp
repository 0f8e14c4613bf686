#include "control/SelectedDevice.h"

#include "platform/TextNumbers.h"

namespace lorvena {

std::uint32_t dottedToAddress(std::string_view text)
{
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        std::size_t dot = text.find('.');
        std::string_view piece = text.substr(0, dot);
        address = (address << 8) | (static_cast<std::uint32_t>(leadingInteger(piece)) & 0xFFu);
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    }
    return address;
}

} // namespace lorvena
