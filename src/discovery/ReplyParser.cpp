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

ParsedReply parseOldMode(ByteView reply)
{
    namespace R = OldModeSearchReply;
    DeviceRecord record;
    record.kind = plainText(reply, R::kind);
    record.name = limitedText(reply, R::name);
    record.ip = plainText(reply, R::ip);
    record.mask = plainText(reply, R::mask);
    record.mac = macText(reply.subspan(R::mac, 6));
    record.httpPort = portText(reply, R::httpPort);
    record.rtspPort = portText(reply, R::rtspPort);
    record.channels = std::to_string(readByte(reply, R::channels));
    return {std::move(record), DuplicateRule::SameIp, true};
}

ParsedReply parseBasic(ByteView reply)
{
    namespace R = BasicSearchReply;
    DeviceRecord record;
    std::string_view kind = readText(reply, R::kind);
    bool listed = isKnownDeviceKind(kind);
    record.kind = deviceTextToUtf8(kind);
    record.name = limitedText(reply, R::name);
    record.firmware = limitedText(reply, R::firmware);
    record.ip = plainText(reply, R::ip);
    record.mask = plainText(reply, R::mask);
    record.gateway = plainText(reply, R::gateway);
    record.dns = plainText(reply, R::dns);
    record.mac = macText(reply.subspan(R::mac, 6));
    record.httpPort = portText(reply, R::httpPort);
    record.rtspPort = portText(reply, R::rtspPort);
    record.channels = std::to_string(readByte(reply, R::channels));
    record.dhcp = dhcpText(readByte(reply, R::dhcp));
    record.typeCode = std::to_string(readLittleEndianSigned32(reply, R::typeCode));
    return {std::move(record), DuplicateRule::SameMacOrIp, listed};
}

ParsedReply parseExtended(ByteView reply)
{
    namespace R = ExtendedSearchReply;
    DeviceRecord record;
    record.kind = plainText(reply, R::kind);
    record.name = limitedText(reply, R::name);
    record.firmware = limitedText(reply, R::firmware);
    record.ip = plainText(reply, R::ip);
    record.mask = plainText(reply, R::mask);
    record.gateway = plainText(reply, R::gateway);
    record.dns = plainText(reply, R::dns);
    record.mac = plainText(reply, R::mac);
    record.httpPort = portText(reply, R::httpPort);
    record.rtspPort = portText(reply, R::rtspPort);
    record.channels = std::to_string(readByte(reply, R::channels));
    record.dhcp = dhcpText(readByte(reply, R::dhcp));
    record.typeCode = std::to_string(readLittleEndianSigned32(reply, R::typeCode));
    return {std::move(record), DuplicateRule::SameMacAndIpInOneRow, true};
}

} // namespace

ParsedReply parseSearchReply(ReplyKind kind, ByteView reply)
{
    // Fields sit at fixed offsets; a short buffer is read as if zero-padded.
    std::vector<std::uint8_t> padded;
    if (std::size_t size = replyFormat(kind).size; reply.size() < size) {
        padded.assign(reply.begin(), reply.end());
        padded.resize(size, 0);
        reply = padded;
    }
    switch (kind) {
    case ReplyKind::OldMode:
        return parseOldMode(reply);
    case ReplyKind::Basic:
        return parseBasic(reply);
    case ReplyKind::Extended:
        return parseExtended(reply);
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
