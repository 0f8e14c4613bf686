#include "devsim/ModifyRequest.h"

#include "discovery/SearchPackets.h"

#include <algorithm>
#include <cstdio>

namespace lorvena::devsim {

namespace {

std::optional<std::uint32_t> port(ByteView bytes, std::size_t offset)
{
    std::int32_t value = readLittleEndianSigned32(bytes, offset);
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::string text(ByteView bytes, TextField field)
{
    return std::string(readText(bytes, field));
}

// Keeps the field's terminating NUL, as the tool's texts do.
void writeTerminated(MutableByteView bytes, TextField field, std::string_view value)
{
    writeText(bytes, {field.offset, field.maxLength - 1}, value);
}

} // namespace

ModifyRequest ModifyRequestCodec::read(RequestKind kind, ByteView datagram)
{
    ModifyRequest request;
    NetworkChange& change = request.change;
    switch (kind) {
    case RequestKind::OldModify: {
        using namespace OldModifyLayout;
        request.generation = Generation::Old;
        request.currentAddress = text(datagram, currentAddress);
        change.newAddress = text(datagram, newAddress);
        change.mask = text(datagram, mask);
        change.gateway = text(datagram, gateway);
        change.dhcp = readByte(datagram, dhcp) != 0;
        break;
    }
    case RequestKind::BasicModify: {
        using namespace BasicModifyLayout;
        request.generation = Generation::Basic;
        request.currentAddress = text(datagram, currentAddress);
        change.newAddress = text(datagram, newAddress);
        change.mask = text(datagram, mask);
        change.gateway = text(datagram, gateway);
        change.dns = text(datagram, dns);
        change.httpPort = port(datagram, httpPort);
        change.rtspPort = port(datagram, rtspPort);
        change.dhcp = readByte(datagram, dhcp) != 0;
        break;
    }
    case RequestKind::ExtendedModify: {
        using namespace ExtendedModifyLayout;
        request.generation = Generation::Extended;
        request.currentAddress = text(datagram, currentAddress);
        request.macText = text(datagram, macText);
        request.userName = text(datagram, userName);
        if (datagram.size() >= ExtendedModifyLayout::password + passwordFieldSize)
            std::copy_n(datagram.begin() + ExtendedModifyLayout::password, passwordFieldSize, request.password.begin());
        change.newAddress = text(datagram, newAddress);
        change.mask = text(datagram, mask);
        change.gateway = text(datagram, gateway);
        change.dns = text(datagram, dns);
        change.httpPort = port(datagram, httpPort);
        change.rtspPort = port(datagram, rtspPort);
        change.dhcp = readByte(datagram, dhcp) != 0;
        break;
    }
    default:
        break;
    }
    return request;
}

std::vector<std::uint8_t> ModifyRequestCodec::write(const ModifyRequest& request)
{
    const NetworkChange& change = request.change;
    std::uint32_t http = change.httpPort.value_or(0);
    std::uint32_t rtsp = change.rtspPort.value_or(0);
    std::vector<std::uint8_t> bytes;
    switch (request.generation) {
    case Generation::Old: {
        using namespace OldModifyLayout;
        bytes.assign(size, 0);
        DiscoveryHeader::write(bytes, DiscoveryHeader::oldMagic, command);
        writeTerminated(bytes, currentAddress, request.currentAddress);
        writeTerminated(bytes, newAddress, change.newAddress);
        writeTerminated(bytes, mask, change.mask);
        writeTerminated(bytes, gateway, change.gateway);
        bytes[dhcp] = change.dhcp ? 1 : 0;
        break;
    }
    case Generation::Basic: {
        using namespace BasicModifyLayout;
        bytes.assign(size, 0);
        DiscoveryHeader::write(bytes, DiscoveryHeader::newMagic, command);
        writeTerminated(bytes, currentAddress, request.currentAddress);
        writeTerminated(bytes, newAddress, change.newAddress);
        writeTerminated(bytes, mask, change.mask);
        writeTerminated(bytes, gateway, change.gateway);
        writeTerminated(bytes, dns, change.dns);
        unsigned parts[6] = {};
        if (std::sscanf(request.macText.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x", &parts[0], &parts[1], &parts[2],
                &parts[3], &parts[4], &parts[5])
            == 6) {
            for (std::size_t i = 0; i < 6; ++i)
                bytes[mac + i] = static_cast<std::uint8_t>(parts[i]);
        }
        writeLittleEndian32(bytes, httpPort, http);
        writeLittleEndian32(bytes, rtspPort, rtsp);
        bytes[dhcp] = change.dhcp ? 1 : 0;
        break;
    }
    case Generation::Extended: {
        using namespace ExtendedModifyLayout;
        bytes.assign(size, 0);
        DiscoveryHeader::write(bytes, DiscoveryHeader::newMagic, command);
        writeTerminated(bytes, ipMarker, ExtendedSearchRequest::ipValue);
        writeTerminated(bytes, macMarker, ExtendedSearchRequest::macValue);
        writeTerminated(bytes, currentAddress, request.currentAddress);
        writeTerminated(bytes, macText, request.macText);
        writeLittleEndian32(bytes, constant62, 62);
        bytes[dhcp] = change.dhcp ? 1 : 0;
        writeTerminated(bytes, newAddress, change.newAddress);
        writeTerminated(bytes, mask, change.mask);
        writeTerminated(bytes, gateway, change.gateway);
        writeTerminated(bytes, dns, change.dns);
        writeTerminated(bytes, macTextAgain, request.macText);
        writeLittleEndian32(bytes, constant768, 768);
        writeLittleEndian32(bytes, httpPort, http);
        writeLittleEndian32(bytes, rtspPort, rtsp);
        writeTerminated(bytes, userName, request.userName);
        std::copy(request.password.begin(), request.password.end(), bytes.begin() + password);
        break;
    }
    }
    return bytes;
}

std::vector<std::uint8_t> ModifyRequestCodec::reply(std::uint8_t status, std::string_view addressText,
    std::string_view macText)
{
    using namespace ExtendedModifyReplyLayout;
    std::vector<std::uint8_t> bytes(size, 0);
    DiscoveryHeader::write(bytes, DiscoveryHeader::newMagic, command);
    bytes[ExtendedModifyReplyLayout::status] = status;
    writeTerminated(bytes, address, addressText);
    writeTerminated(bytes, ExtendedModifyReplyLayout::macText, macText);
    return bytes;
}

} // namespace lorvena::devsim
