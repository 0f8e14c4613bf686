#include "discovery/ReplyParser.h"

#include "platform/TextCodec.h"

#include <array>
#include <cstdio>
#include <vector>

namespace lorvena {

namespace {

constexpr std::size_t displayLimitWithTerminator = 127;

std::string plainText(ByteView reply, TextField field)
{
    return deviceTextToUtf8(readText(reply, field));
}

std::string limitedText(ByteView reply, TextField field)
{
    return limitedDisplayText(readText(reply, field));
}

// Ports travel as 32-bit big-endian values and are shown as signed numbers.
std::string portText(ByteView reply, std::size_t offset)
{
    return std::to_string(static_cast<std::int32_t>(readBigEndian32(reply, offset)));
}

std::string dhcpText(std::uint8_t flag)
{
    return std::string(flag == 1 ? dhcpOnText : dhcpOffText);
}

ParsedReply parseOldMode(ByteView reply, ReplyKey key)
{
    namespace R = OldModeSearchReply;
    DeviceRecord record;
    record.kind = plainText(reply, R::kind);
    record.name = limitedText(reply, R::name);
    record.ip = std::move(key.ip);
    record.mask = plainText(reply, R::mask);
    record.mac = std::move(key.mac);
    record.httpPort = portText(reply, R::httpPort);
    record.rtspPort = portText(reply, R::rtspPort);
    record.channels = std::to_string(readByte(reply, R::channels));
    return {std::move(record), key.duplicateRule, key.listed};
}

// Where the new-generation replies keep each field; the basic and the
// extended reply differ only in offsets and in how they carry the MAC.
struct NewLayoutFields {
    TextField kind, name, firmware, mask, gateway, dns;
    std::size_t typeCode, httpPort, rtspPort, dhcp, channels;
};

ParsedReply parseNewLayout(ByteView reply, const NewLayoutFields& at, ReplyKey key)
{
    DeviceRecord record;
    record.kind = plainText(reply, at.kind);
    record.name = limitedText(reply, at.name);
    record.firmware = limitedText(reply, at.firmware);
    record.ip = std::move(key.ip);
    record.mask = plainText(reply, at.mask);
    record.gateway = plainText(reply, at.gateway);
    record.dns = plainText(reply, at.dns);
    record.mac = std::move(key.mac);
    record.httpPort = portText(reply, at.httpPort);
    record.rtspPort = portText(reply, at.rtspPort);
    record.channels = std::to_string(readByte(reply, at.channels));
    record.dhcp = dhcpText(readByte(reply, at.dhcp));
    record.typeCode = std::to_string(readLittleEndianSigned32(reply, at.typeCode));
    return {std::move(record), key.duplicateRule, key.listed};
}

// Fields sit at fixed offsets; a short buffer is read as if zero-padded.
ByteView fullSize(ReplyKind kind, ByteView reply, std::vector<std::uint8_t>& padded)
{
    if (std::size_t size = replyFormat(kind).size; reply.size() < size) {
        padded.assign(reply.begin(), reply.end());
        padded.resize(size, 0);
        return padded;
    }
    return reply;
}

} // namespace

ReplyKey readReplyKey(ReplyKind kind, ByteView reply)
{
    std::vector<std::uint8_t> padded;
    reply = fullSize(kind, reply, padded);
    switch (kind) {
    case ReplyKind::OldMode: {
        namespace R = OldModeSearchReply;
        return {macText(reply.subspan(R::mac, 6)), plainText(reply, R::ip), DuplicateRule::SameIp, true};
    }
    case ReplyKind::Basic: {
        // Basic replies list only devices whose kind names a known family.
        namespace R = BasicSearchReply;
        return {macText(reply.subspan(R::mac, 6)), plainText(reply, R::ip), DuplicateRule::SameMacOrIp,
            isKnownDeviceKind(readText(reply, R::kind))};
    }
    case ReplyKind::Extended: {
        namespace R = ExtendedSearchReply;
        return {plainText(reply, R::mac), plainText(reply, R::ip), DuplicateRule::SameMacAndIpInOneRow, true};
    }
    }
    return {};
}

ParsedReply parseSearchReply(ReplyKind kind, ByteView reply)
{
    return parseSearchReply(kind, reply, readReplyKey(kind, reply));
}

ParsedReply parseSearchReply(ReplyKind kind, ByteView reply, ReplyKey key)
{
    std::vector<std::uint8_t> padded;
    reply = fullSize(kind, reply, padded);
    switch (kind) {
    case ReplyKind::OldMode:
        return parseOldMode(reply, std::move(key));
    case ReplyKind::Basic: {
        namespace R = BasicSearchReply;
        return parseNewLayout(reply,
            {R::kind, R::name, R::firmware, R::mask, R::gateway, R::dns, R::typeCode, R::httpPort, R::rtspPort, R::dhcp,
                R::channels},
            std::move(key));
    }
    case ReplyKind::Extended: {
        namespace R = ExtendedSearchReply;
        return parseNewLayout(reply,
            {R::kind, R::name, R::firmware, R::mask, R::gateway, R::dns, R::typeCode, R::httpPort, R::rtspPort, R::dhcp,
                R::channels},
            std::move(key));
    }
    }
    return {};
}

bool isKnownDeviceKind(std::string_view kindText)
{
    constexpr std::array keywords {"DVR", "IPCAMERA", "DECODER", "NVR", "HVR", "XVR"};
    for (std::string_view keyword : keywords) {
        if (kindText.find(keyword) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string macText(ByteView sixBytes)
{
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", readByte(sixBytes, 0), readByte(sixBytes, 1),
        readByte(sixBytes, 2), readByte(sixBytes, 3), readByte(sixBytes, 4), readByte(sixBytes, 5));
    return text;
}

std::string limitedDisplayText(std::string_view deviceBytes)
{
    std::string text = deviceTextToUtf8(deviceBytes);
    if (utf16Length(text) + 1 > displayLimitWithTerminator)
        return {};
    return text;
}

} // namespace lorvena
