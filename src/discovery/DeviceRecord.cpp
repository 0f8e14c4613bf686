#include "discovery/DeviceRecord.h"

#include <algorithm>

namespace lorvena {

namespace {

constexpr std::array oldModeColumns {
    ColumnSpec {DeviceField::Number, "Nr", 50},
    ColumnSpec {DeviceField::Kind, "Rodzaj", 80},
    ColumnSpec {DeviceField::Name, "Nazwa", 100},
    ColumnSpec {DeviceField::Ip, "Adres IP", 100},
    ColumnSpec {DeviceField::Mask, "Maska podsieci", 100},
    ColumnSpec {DeviceField::Mac, "MAC", 100},
    ColumnSpec {DeviceField::HttpPort, "Port HTTP", 80},
    ColumnSpec {DeviceField::RtspPort, "Port RTSP", 80},
    ColumnSpec {DeviceField::Channels, "Kanały", 80},
};

constexpr std::array newModeColumns {
    ColumnSpec {DeviceField::Number, "Nr", 50},
    ColumnSpec {DeviceField::Kind, "Rodzaj", 80},
    ColumnSpec {DeviceField::Name, "Nazwa", 100},
    ColumnSpec {DeviceField::Firmware, "Wersja firmware", 150},
    ColumnSpec {DeviceField::Ip, "Adres IP", 100},
    ColumnSpec {DeviceField::Mask, "Maska podsieci", 100},
    ColumnSpec {DeviceField::Gateway, "Brama", 100},
    ColumnSpec {DeviceField::Dns, "DNS", 100},
    ColumnSpec {DeviceField::Mac, "MAC", 100},
    ColumnSpec {DeviceField::HttpPort, "Port HTTP", 80},
    ColumnSpec {DeviceField::RtspPort, "Port RTSP", 80},
    ColumnSpec {DeviceField::Channels, "Kanały", 80},
    ColumnSpec {DeviceField::Dhcp, "DHCP", 80},
    ColumnSpec {DeviceField::TypeCode, "Type", 80},
};

} // namespace

std::span<const ColumnSpec> columnsOf(TableLayout layout)
{
    if (layout == TableLayout::OldMode)
        return oldModeColumns;
    return newModeColumns;
}

std::optional<int> columnOf(TableLayout layout, DeviceField field)
{
    auto columns = columnsOf(layout);
    auto found = std::find_if(columns.begin(), columns.end(), [field](const ColumnSpec& c) { return c.field == field; });
    if (found == columns.end())
        return std::nullopt;
    return static_cast<int>(found - columns.begin());
}

const std::string& DeviceRecord::field(DeviceField which) const
{
    return const_cast<DeviceRecord*>(this)->field(which);
}

std::string& DeviceRecord::field(DeviceField which)
{
    switch (which) {
    case DeviceField::Number: return number;
    case DeviceField::Kind: return kind;
    case DeviceField::Name: return name;
    case DeviceField::Firmware: return firmware;
    case DeviceField::Ip: return ip;
    case DeviceField::Mask: return mask;
    case DeviceField::Gateway: return gateway;
    case DeviceField::Dns: return dns;
    case DeviceField::Mac: return mac;
    case DeviceField::HttpPort: return httpPort;
    case DeviceField::RtspPort: return rtspPort;
    case DeviceField::Channels: return channels;
    case DeviceField::Dhcp: return dhcp;
    case DeviceField::TypeCode: return typeCode;
    }
    return number;
}

} // namespace lorvena
