#include "discovery/AddressConflicts.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

DeviceRecord device(std::string mac, std::string ip, std::string name = {})
{
    DeviceRecord record;
    record.mac = std::move(mac);
    record.ip = std::move(ip);
    record.name = std::move(name);
    return record;
}

// Which rows are in conflict, and whom each row's note names: other MACs at
// its address, listed or kept off the list; never the device itself seen
// again under another spelling of its MAC.
TEST(AddressConflicts, ARowNamesEveryOtherDeviceAtItsAddress)
{
    DeviceTable table(TableLayout::NewMode);
    table.append(device("00:11:22:33:44:01", "192.168.1.108", "Kamera A"));   // 0
    table.append(device("00:11:22:33:44:02", "192.168.1.108", "Kamera B"));   // 1
    table.append(device("00:11:22:33:44:03", "192.168.1.20", "Rejestrator")); // 2
    table.append(device("00-11-22-33-44-03", "192.168.1.20", "Rejestrator")); // 3: row 2 seen again
    table.append(device("00:11:22:33:44:05", "192.168.1.30"));                // 4
    table.noteHidden(device("00:11:22:33:44:06", "192.168.1.30", "Ukryta"));  // kept off the list
    table.append(device("00:11:22:33:44:07", "192.168.001.108"));             // 5: another text

    struct Case {
        std::size_t row;
        const char* note;
    } cases[] = {
        {0, "Konflikt adresu IP: 00:11:22:33:44:02 Kamera B"},
        {1, "Konflikt adresu IP: 00:11:22:33:44:01 Kamera A"},
        {2, ""},
        {3, ""},
        {4, "Konflikt adresu IP: 00:11:22:33:44:06 Ukryta"},
        {5, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row));
        EXPECT_EQ(DescribeConflict(table, c.row), c.note);
    }
}

// A flood of factory-default devices at one address keeps the note short.
TEST(AddressConflicts, ALongListOfOthersEndsWithHowManyMore)
{
    DeviceTable table(TableLayout::NewMode);
    for (int i = 0; i < 12; ++i)
        table.append(device("00:11:22:33:44:" + std::to_string(10 + i), "192.168.1.108"));
    const std::string note = DescribeConflict(table, 0);
    EXPECT_NE(note.find("00:11:22:33:44:18"), std::string::npos) << note;
    EXPECT_EQ(note.find("00:11:22:33:44:19"), std::string::npos) << note;
    EXPECT_EQ(note.substr(note.size() - 11), " i 3 innych") << note;
}

} // namespace
} // namespace lorvena
