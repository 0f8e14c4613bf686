#include "cli/TableOutput.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>

namespace lorvena {
namespace {

DeviceTable sampleTable(TableLayout layout)
{
    DeviceTable table(layout);
    DeviceRecord first;
    first.number = "1";
    first.kind = "IPCAMERA";
    first.name = "Kamera, \"wjazd\"";
    first.ip = "10.1.0.20";
    first.mac = "AA:BB:CC:00:00:01";
    first.dhcp = "Aktywne";
    first.typeCode = "520";
    table.append(first);
    DeviceRecord second;
    second.number = "2";
    second.kind = "DVR";
    second.name = "Łódź";
    second.ip = "10.1.0.3";
    table.append(second);
    return table;
}

TEST(TableOutput, CsvQuotesPerRfc4180)
{
    std::string csv = formatCsv(sampleTable(TableLayout::OldMode));
    EXPECT_EQ(csv,
        "Nr,Rodzaj,Nazwa,Adres IP,Maska podsieci,MAC,Port HTTP,Port RTSP,Kanały\r\n"
        "1,IPCAMERA,\"Kamera, \"\"wjazd\"\"\",10.1.0.20,,AA:BB:CC:00:00:01,,,\r\n"
        "2,DVR,Łódź,10.1.0.3,,,,,\r\n");
}

TEST(TableOutput, JsonHasTheLayoutsKeysInOrderWithCellTexts)
{
    auto rows = nlohmann::ordered_json::parse(formatJson(sampleTable(TableLayout::NewMode)));
    ASSERT_EQ(rows.size(), 2u);
    std::vector<std::string> keys;
    for (auto& [key, value] : rows[0].items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string> {"nr", "kind", "name", "firmware", "ip", "mask", "gateway", "dns", "mac",
                        "http_port", "rtsp_port", "channels", "dhcp", "type"}));
    EXPECT_EQ(rows[0]["name"], "Kamera, \"wjazd\"");
    EXPECT_EQ(rows[0]["type"], "520");
    EXPECT_EQ(rows[1]["name"], "Łódź");

    auto oldRows = nlohmann::ordered_json::parse(formatJson(sampleTable(TableLayout::OldMode)));
    EXPECT_EQ(oldRows[0].size(), 9u);
    EXPECT_FALSE(oldRows[0].contains("firmware"));
    EXPECT_EQ(nlohmann::json::parse(formatJson(DeviceTable(TableLayout::NewMode))), nlohmann::json::array());
}

TEST(TableOutput, TableAlignsColumnsByCharactersNotBytes)
{
    std::string table = formatTable(sampleTable(TableLayout::OldMode));
    std::istringstream lines(table);
    std::string header, first, second;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    // "Adres IP" starts in the same character column on every line.
    auto column = [](const std::string& line, const std::string& text) {
        auto bytes = line.find(text);
        std::size_t chars = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            chars += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        return chars;
    };
    EXPECT_EQ(column(header, "Adres IP"), column(first, "10.1.0.20"));
    EXPECT_EQ(column(header, "Adres IP"), column(second, "10.1.0.3"));
}

// A name built to drive a terminal: set its title, turn text red, erase the
// line, and a C1 CSI (U+009B) that some terminals obey as well.
const std::string hostileName = "Cam\x1b]0;title\x07\x1b[31mRED\r\x7f\xc2\x9b" "2J\xe2\x80\xa8" "end";

DeviceTable hostileTable()
{
    DeviceTable table(TableLayout::NewMode);
    DeviceRecord record;
    record.number = "1";
    record.name = hostileName;
    record.ip = "10.1.0.20";
    table.append(record);
    return table;
}

bool hasControls(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n' && c != '\r') || c == 0x7F)
            return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

TEST(TableOutput, DeviceTextsReachNoTerminalOrFileRaw)
{
    // Table and CSV: every control is one U+FFFD; line ends are only ours.
    const std::string shown = "Cam\uFFFD]0;title\uFFFD\uFFFD[31mRED\uFFFD\uFFFD\uFFFD" "2J\u2028end";
    for (OutputFormat format : {OutputFormat::Table, OutputFormat::Csv}) {
        std::string out = formatDeviceTable(hostileTable(), format);
        EXPECT_FALSE(hasControls(out)) << out;
        EXPECT_NE(out.find(shown), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
    }

    // JSON: escaped, and decoding gives back exactly the device's name.
    std::string json = formatJson(hostileTable());
    EXPECT_FALSE(hasControls(json)) << json;
    EXPECT_EQ(json.find("\xe2\x80\xa8"), std::string::npos) << json;
    EXPECT_NE(json.find("\\u009B"), std::string::npos) << json;
    EXPECT_EQ(nlohmann::json::parse(json)[0]["name"], hostileName);
    // Polish letters and ordinary text stay as they are.
    EXPECT_NE(formatJson(sampleTable(TableLayout::NewMode)).find("Łódź"), std::string::npos);
}

} // namespace
} // namespace lorvena
