#include "discovery/SearchPackets.h"

#include "platform/LocalAddresses.h"

#include <algorithm>
#include <cstring>

namespace lorvena {

namespace DiscoveryHeader {

void write(MutableByteView packet, std::string_view magic, std::uint8_t command)
{
    std::fill_n(packet.begin(), commandOffset, std::uint8_t {0});
    std::memcpy(packet.data(), magic.data(), std::min<std::size_t>(magic.size(), commandOffset - 1));
    packet[commandOffset] = command;
}

bool matches(ByteView packet, std::string_view magic, std::uint8_t command)
{
    if (packet.size() < size)
        return false;
    std::string_view text = readText(packet, {0, commandOffset});
    return text == magic && packet[commandOffset] == command;
}

} // namespace DiscoveryHeader

OldModeSearchRequestBytes buildOldModeSearchRequest(std::uint32_t localAddress)
{
    OldModeSearchRequestBytes packet {};
    DiscoveryHeader::write(packet, DiscoveryHeader::oldMagic, DiscoveryHeader::searchRequest);
    writeText(packet, OldModeSearchRequest::localAddress, dottedAddress(localAddress));
    return packet;
}

BasicSearchRequestBytes buildBasicSearchRequest(std::uint32_t localAddress)
{
    BasicSearchRequestBytes packet {};
    DiscoveryHeader::write(packet, DiscoveryHeader::newMagic, DiscoveryHeader::searchRequest);
    writeText(packet, BasicSearchRequest::localAddress, dottedAddress(localAddress));
    return packet;
}

ExtendedSearchRequestBytes buildExtendedSearchRequest()
{
    ExtendedSearchRequestBytes packet {};
    DiscoveryHeader::write(packet, DiscoveryHeader::newMagic, DiscoveryHeader::extendedSearchRequest);
    writeText(packet, ExtendedSearchRequest::ipText, ExtendedSearchRequest::ipValue);
    writeText(packet, ExtendedSearchRequest::macText, ExtendedSearchRequest::macValue);
    return packet;
}

ReplyFormat replyFormat(ReplyKind kind)
{
    switch (kind) {
    case ReplyKind::OldMode:
        return {OldModeSearchReply::size, DiscoveryHeader::oldMagic, DiscoveryHeader::searchReply};
    case ReplyKind::Basic:
        return {BasicSearchReply::size, DiscoveryHeader::newMagic, DiscoveryHeader::searchReply};
    case ReplyKind::Extended:
        return {ExtendedSearchReply::size, DiscoveryHeader::newMagic, DiscoveryHeader::extendedSearchReply};
    }
    return {};
}

bool isSearchReply(ByteView datagram, ReplyKind kind)
{
    ReplyFormat format = replyFormat(kind);
    return DiscoveryHeader::matches(datagram, format.magic, format.command);
}

} // namespace lorvena
