#include "cli/TableOutput.h"

#include "platform/TerminalText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <vector>

namespace lorvena {

namespace {

std::string_view jsonKey(DeviceField field)
{
    switch (field) {
    case DeviceField::Number: return "nr";
    case DeviceField::Kind: return "kind";
    case DeviceField::Name: return "name";
    case DeviceField::Firmware: return "firmware";
    case DeviceField::Ip: return "ip";
    case DeviceField::Mask: return "mask";
    case DeviceField::Gateway: return "gateway";
    case DeviceField::Dns: return "dns";
    case DeviceField::Mac: return "mac";
    case DeviceField::HttpPort: return "http_port";
    case DeviceField::RtspPort: return "rtsp_port";
    case DeviceField::Channels: return "channels";
    case DeviceField::Dhcp: return "dhcp";
    case DeviceField::TypeCode: return "type";
    }
    return "";
}

// Terminal columns taken by a UTF-8 text: one per code point is right for
// the Latin scripts device names use.
std::size_t displayWidth(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

std::string formatTable(const DeviceTable& table)
{
    auto columns = columnsOf(table.layout());
    // Every cell made printable once, row by row.
    std::vector<std::vector<std::string>> cells(table.rowCount());
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        for (std::size_t c = 0; c < columns.size(); ++c)
            cells[r].push_back(printableText(table.text(r, static_cast<int>(c))));
    std::vector<std::size_t> widths;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        std::size_t width = displayWidth(columns[c].title);
        for (std::size_t r = 0; r < table.rowCount(); ++r)
            width = std::max(width, displayWidth(cells[r][c]));
        widths.push_back(width);
    }
    auto line = [&](auto cellText) {
        std::string out;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            std::string_view text = cellText(c);
            out += text;
            if (c + 1 < columns.size())
                out.append(widths[c] - displayWidth(text) + 2, ' ');
        }
        return out + '\n';
    };
    std::string out = line([&](std::size_t c) { return columns[c].title; });
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        out += line([&](std::size_t c) { return std::string_view(cells[r][c]); });
    return out;
}

std::string formatJson(const DeviceTable& table)
{
    auto columns = columnsOf(table.layout());
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        nlohmann::ordered_json row = nlohmann::ordered_json::object();
        for (const ColumnSpec& column : columns)
            row[std::string(jsonKey(column.field))] = table.row(r).field(column.field);
        rows.push_back(std::move(row));
    }
    return escapeJsonControls(rows.dump(2)) + "\n";
}

std::string formatDeviceTable(const DeviceTable& table, OutputFormat format)
{
    switch (format) {
    case OutputFormat::Table:
        return formatTable(table);
    case OutputFormat::Csv:
        return formatCsv(table);
    case OutputFormat::Json:
        return formatJson(table);
    }
    return {};
}

} // namespace lorvena
