#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lorvena {

// The two column sets of the device list; which one is active follows from
// the search mode and never changes while the program runs.
enum class TableLayout { OldMode, NewMode };

// Every field a row can show. The old layout shows a subset.
enum class DeviceField { Number, Kind, Name, Firmware, Ip, Mask, Gateway, Dns, Mac, HttpPort, RtspPort, Channels, Dhcp, TypeCode };

struct ColumnSpec {
    DeviceField field;
    std::string_view title;
    int width;
};

std::span<const ColumnSpec> columnsOf(TableLayout layout);
// The column showing `field` in `layout`, or nothing when the layout lacks it.
std::optional<int> columnOf(TableLayout layout, DeviceField field);

// Whether a changed device was seen again at its new settings.
enum class RowCheck { None, Confirmed, NotSeen };

inline constexpr std::string_view dhcpOnText = "Aktywne";
inline constexpr std::string_view dhcpOffText = "Nieaktywne";

// One row of the device list: texts only, UTF-8, exactly as displayed.
struct DeviceRecord {
    std::string number;
    std::string kind;
    std::string name;
    std::string firmware;
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string dns;
    std::string mac;
    std::string httpPort;
    std::string rtspPort;
    std::string channels;
    std::string dhcp;
    std::string typeCode;

    const std::string& field(DeviceField which) const;
    std::string& field(DeviceField which);
};

} // namespace lorvena
