#include "sdk/onvif/DeviceRecordFields.h"

#include "platform/LocalAddresses.h"
#include "sdk/onvif/DeviceReplies.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace lorvena::onvif {

namespace {

bool isIpv4(const std::string& text)
{
    in_addr address {};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

void CopyField(char* field, std::size_t fieldSize, std::string_view text)
{
    std::memset(field, 0, fieldSize);
    std::size_t length = std::min(text.size(), fieldSize - 1);
    if (length < text.size()) {
        // Back off to the start of the character that did not fit whole.
        while (length > 0 && isContinuationByte(text[length]))
            --length;
    }
    std::memcpy(field, text.data(), length);
}

std::string ReadField(const char* field, std::size_t fieldSize)
{
    const char* end = std::find(field, field + fieldSize, '\0');
    return std::string(field, end);
}

OnvifDeviceRecord MakeDeviceRecord(const DiscoveredDevice& device)
{
    OnvifDeviceRecord record {};
    record.typeCode = device.typeCode;
    CopyField(record.mac, sizeof record.mac, device.mac);
    CopyField(record.mask, sizeof record.mask, device.mask);
    CopyField(record.gateway, sizeof record.gateway, device.gateway);
    CopyField(record.name, sizeof record.name, device.name);
    CopyField(record.address, sizeof record.address, dottedAddress(device.address));
    record.port = device.port;
    CopyField(record.dns, sizeof record.dns, device.dns);
    record.channels = 0;
    record.dhcp = device.dhcp ? 1 : 0;
    return record;
}

std::optional<NetParamChange> ReadNetParam(const OnvifNetParam& block)
{
    NetParamChange change;
    change.dhcp = block.dhcp == 1;
    if (block.port > 0 && block.port <= 65535)
        change.httpPort = static_cast<std::uint16_t>(block.port);
    std::string gateway = ReadField(block.gateway, sizeof block.gateway);
    if (isIpv4(gateway) && gateway != "0.0.0.0")
        change.gateway = gateway;
    if (change.dhcp)
        return change;
    change.address = ReadField(block.address, sizeof block.address);
    change.prefixLength = PrefixFromMask(ReadField(block.mask, sizeof block.mask));
    if (!isIpv4(change.address) || change.prefixLength <= 0)
        return std::nullopt;
    return change;
}

} // namespace lorvena::onvif
