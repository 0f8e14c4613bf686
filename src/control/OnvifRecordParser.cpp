#include "control/OnvifRecordParser.h"

#include "discovery/ReplyParser.h"
#include "platform/TextCodec.h"
#include "sdk/onvif/OnvifAccess.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace lorvena {

namespace {

namespace At {
constexpr std::size_t typeCode = 4;
constexpr TextField mac {8, 16};
constexpr TextField mask {24, 16};
constexpr TextField gateway {40, 16};
constexpr TextField name {56, 64};
constexpr TextField ip {120, 1024};
constexpr std::size_t port = 1144;
constexpr TextField dns {1148, 32};
constexpr std::size_t channels = 1180;
constexpr std::size_t dhcp = 1184;
} // namespace At

// The offsets are read from bytes, never through the struct; they must still
// be the library's.
static_assert(onvifRecordSize == sizeof(OnvifDeviceRecord));
static_assert(At::typeCode == offsetof(OnvifDeviceRecord, typeCode));
static_assert(At::mac.offset == offsetof(OnvifDeviceRecord, mac));
static_assert(At::mask.offset == offsetof(OnvifDeviceRecord, mask));
static_assert(At::gateway.offset == offsetof(OnvifDeviceRecord, gateway));
static_assert(At::name.offset == offsetof(OnvifDeviceRecord, name));
static_assert(At::ip.offset == offsetof(OnvifDeviceRecord, address));
static_assert(At::port == offsetof(OnvifDeviceRecord, port));
static_assert(At::dns.offset == offsetof(OnvifDeviceRecord, dns));
static_assert(At::channels == offsetof(OnvifDeviceRecord, channels));
static_assert(At::dhcp == offsetof(OnvifDeviceRecord, dhcp));

// The list's MAC cell holds at most 14 characters (15 UTF-16 units with the
// terminator); a longer text, such as one with separators, is not shown.
constexpr std::size_t macCellLimitWithTerminator = 15;

std::int32_t readNative32(ByteView bytes, std::size_t offset)
{
    std::int32_t value = 0;
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

std::string text(ByteView record, TextField field)
{
    return deviceTextToUtf8(readText(record, field));
}

} // namespace

ParsedOnvifRecord parseOnvifRecord(ByteView record)
{
    std::vector<std::uint8_t> padded;
    if (record.size() < onvifRecordSize) {
        padded.assign(record.begin(), record.end());
        padded.resize(onvifRecordSize, 0);
        record = padded;
    }
    ParsedOnvifRecord parsed;
    DeviceRecord& row = parsed.record;
    row.name = text(record, At::name);
    row.ip = text(record, At::ip);
    row.mask = text(record, At::mask);
    row.gateway = text(record, At::gateway);
    row.dns = text(record, At::dns);
    std::string mac = text(record, At::mac);
    if (utf16Length(mac) + 1 <= macCellLimitWithTerminator)
        row.mac = std::move(mac);
    // ONVIF answers one port; both port columns show it.
    row.httpPort = std::to_string(readNative32(record, At::port));
    row.rtspPort = row.httpPort;
    row.channels = std::to_string(readNative32(record, At::channels));
    row.dhcp = std::string(readByte(record, At::dhcp) == 1 ? dhcpOnText : dhcpOffText);
    row.typeCode = std::to_string(readNative32(record, At::typeCode));
    parsed.macKey = macText(record.subspan(At::mac.offset, 6));
    return parsed;
}

} // namespace lorvena
