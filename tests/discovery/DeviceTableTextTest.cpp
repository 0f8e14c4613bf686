#include "discovery/DeviceTableText.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

// A one-row old-mode table whose name cell is `name`.
DeviceTable tableNamed(const std::string& name)
{
    DeviceTable table(TableLayout::OldMode);
    DeviceRecord record;
    record.number = "1";
    record.kind = "IPCAMERA";
    record.name = name;
    record.ip = "10.1.0.20";
    record.mac = "AA:BB:CC:00:00:01";
    table.append(record);
    return table;
}

TEST(DeviceTableText, CsvCellsAreQuotedDefusedAndPrintable)
{
    struct Case {
        const char* label;
        std::string name;
        std::string cell;
    };
    const Case cases[] = {
        {"plain", "Kamera wjazd", "Kamera wjazd"},
        {"polish letters stay", "Łódź", "Łódź"},
        {"comma quotes", "Kamera, brama", "\"Kamera, brama\""},
        {"quote doubles", "Kamera \"A\"", "\"Kamera \"\"A\"\"\""},
        {"formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"plus", "+48 600", "'+48 600"},
        {"minus", "-1", "'-1"},
        {"at", "@SUM(A1)", "'@SUM(A1)"},
        {"equals inside is text", "a=b", "a=b"},
        {"line end cannot split the row", "a\r\nb",
            "a\xEF\xBF\xBD\xEF\xBF\xBD"
            "b"},
        {"control before formula", "\t=1", "\xEF\xBF\xBD=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(formatCsv(tableNamed(c.name)),
            "Nr,Rodzaj,Nazwa,Adres IP,Maska podsieci,MAC,Port HTTP,Port RTSP,Kanały\r\n"
            "1,IPCAMERA,"
                + c.cell + ",10.1.0.20,,AA:BB:CC:00:00:01,,,\r\n");
    }
}

TEST(DeviceTableText, ACopiedRowKeepsItsColumnsApart)
{
    EXPECT_EQ(tabSeparatedRow(tableNamed("Kamera\twjazd"), 0),
        "1\tIPCAMERA\tKamera\xEF\xBF\xBDwjazd\t10.1.0.20\t\tAA:BB:CC:00:00:01\t\t\t");
}

} // namespace
} // namespace lorvena
