#include "config/ModifyRequests.h"

#include "config/PasswordCipher.h"
#include "discovery/InterfaceSockets.h"
#include "discovery/SearchPackets.h"
#include "platform/LocalAddresses.h"
#include "platform/TextNumbers.h"

#include <algorithm>

namespace lorvena {

namespace {

void writeSigned32(MutableByteView packet, std::size_t offset, std::int32_t value)
{
    writeLittleEndian32(packet, offset, static_cast<std::uint32_t>(value));
}

void writeAddress(MutableByteView packet, TextField field, std::uint32_t address)
{
    writeText(packet, field, dottedAddress(address));
}

std::string_view cut(std::string_view text, std::size_t maxLength)
{
    return text.substr(0, std::min(text.size(), maxLength));
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

OldModifyRequestBytes buildOldModifyRequest(const ModifyValues& values)
{
    namespace R = OldModifyRequest;
    OldModifyRequestBytes packet {};
    DiscoveryHeader::write(packet, DiscoveryHeader::oldMagic, R::command);
    writeText(packet, R::currentAddress, values.currentIpText);
    // With DHCP on the device takes its addresses from the server, so the
    // address fields stay empty.
    if (values.addressesIncluded) {
        writeAddress(packet, R::newAddress, values.newIp);
        writeAddress(packet, R::mask, values.mask);
        writeAddress(packet, R::gateway, values.gateway);
    }
    packet[R::dhcp] = values.dhcp ? 1 : 0;
    return packet;
}

BasicModifyRequestBytes buildBasicModifyRequest(const ModifyValues& values)
{
    namespace R = BasicModifyRequest;
    BasicModifyRequestBytes packet {};
    DiscoveryHeader::write(packet, DiscoveryHeader::newMagic, R::command);
    writeText(packet, R::currentAddress, values.currentIpText);
    if (values.addressesIncluded) {
        writeAddress(packet, R::newAddress, values.newIp);
        writeAddress(packet, R::mask, values.mask);
        writeAddress(packet, R::gateway, values.gateway);
        writeAddress(packet, R::dns, values.dns);
    }
    std::array<std::uint8_t, 6> mac = parseMacBytes(values.macText);
    std::copy(mac.begin(), mac.end(), packet.begin() + R::mac);
    writeSigned32(packet, R::httpPort, values.httpPort);
    writeSigned32(packet, R::rtspPort, values.rtspPort);
    writeSigned32(packet, R::thirdPort, values.thirdPort);
    packet[R::dhcp] = values.dhcp ? 1 : 0;
    return packet;
}

ExtendedModifyRequestBytes buildExtendedModifyRequest(const ModifyValues& values)
{
    namespace R = ExtendedModifyRequest;
    ExtendedModifyRequestBytes packet {};
    DiscoveryHeader::write(packet, DiscoveryHeader::newMagic, R::command);
    writeText(packet, R::ipMarker, ExtendedSearchRequest::ipValue);
    writeText(packet, R::macMarker, ExtendedSearchRequest::macValue);
    writeText(packet, R::currentAddress, values.currentIpText);
    std::string_view mac = cut(values.macText, R::macText.maxLength);
    writeText(packet, R::macText, mac);
    writeLittleEndian32(packet, R::constant62, R::constant62Value);
    packet[R::dhcp] = values.dhcp ? 1 : 0;
    if (values.addressesIncluded) {
        writeAddress(packet, R::newAddress, values.newIp);
        writeAddress(packet, R::mask, values.mask);
        writeAddress(packet, R::gateway, values.gateway);
        writeAddress(packet, R::dns, values.dns);
    }
    writeText(packet, {R::macTextAgain, R::macText.maxLength}, mac);
    writeLittleEndian32(packet, R::constant768, R::constant768Value);
    writeSigned32(packet, R::httpPort, values.httpPort);
    writeSigned32(packet, R::rtspPort, values.rtspPort);
    writeSigned32(packet, R::thirdPort, values.thirdPort);
    writeText(packet, R::userName, values.userName);

    // The cipher works on the whole zero-filled field: the password and at
    // least one terminating zero.
    std::array<std::uint8_t, R::passwordSize> plain {};
    writeText(plain, {0, R::passwordSize - 1}, values.password);
    PasswordCipher(plain.data(), packet.data() + R::password);
    return packet;
}

std::array<std::uint8_t, 6> parseMacBytes(std::string_view macText)
{
    // Read as a "%2x:%2x:%2x:%2x:%2x:%2x" scan would, but bounded to the text
    // and storing bytes only: no reading past the end, no wide writes.
    std::array<std::uint8_t, 6> mac {};
    std::size_t at = 0;
    for (std::size_t index = 0; index < mac.size(); ++index) {
        if (index > 0) {
            if (at >= macText.size() || macText[at] != ':')
                break;
            ++at;
        }
        while (at < macText.size() && isSpace(macText[at]))
            ++at;
        int value = 0;
        std::size_t digits = 0;
        for (; digits < 2 && at < macText.size() && hexDigitValue(macText[at]) >= 0; ++digits, ++at)
            value = value * 16 + hexDigitValue(macText[at]);
        if (digits == 0)
            break;
        mac[index] = static_cast<std::uint8_t>(value);
    }
    return mac;
}

void sendOldModify(InterfaceSockets& sockets, const ModifyValues& values)
{
    sockets.refreshSockets(SocketFamily::Basic);
    // The request names the device, not the sender: one build serves every socket.
    const OldModifyRequestBytes packet = buildOldModifyRequest(values);
    sockets.broadcast(SocketFamily::Basic, [&packet](std::uint32_t) { return ByteView(packet); });
}

void sendBasicModify(InterfaceSockets& sockets, const ModifyValues& values)
{
    sockets.refreshSockets(SocketFamily::Basic);
    const BasicModifyRequestBytes packet = buildBasicModifyRequest(values);
    sockets.broadcast(SocketFamily::Basic, [&packet](std::uint32_t) { return ByteView(packet); });
}

} // namespace lorvena
