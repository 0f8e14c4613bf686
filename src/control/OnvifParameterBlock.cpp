#include "control/OnvifParameterBlock.h"

#include "platform/LocalAddresses.h"
#include "platform/TextCodec.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace lorvena {

namespace {

// Cut to the field, which keeps its terminating NUL.
template<std::size_t Size>
void copyText(char (&field)[Size], std::string_view text)
{
    std::size_t length = std::min(text.size(), Size - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

OnvifNetParam onvifParameterBlock(const FormValues& form, std::string_view macText, std::uint32_t newAddress)
{
    OnvifNetParam block {};
    copyText(block.mac, utf8ToDeviceText(macText));
    copyText(block.mask, dottedAddress(form.netMask));
    copyText(block.gateway, dottedAddress(form.gateway));
    copyText(block.address, dottedAddress(newAddress));
    block.port = leadingInteger(form.httpPortText);
    block.dhcp = form.dhcpEnabled ? 1 : 0;
    return block;
}

} // namespace lorvena
