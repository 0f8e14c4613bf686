#include "discovery/DeviceTable.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

DeviceRecord device(std::string mac, std::string ip)
{
    DeviceRecord record;
    record.mac = std::move(mac);
    record.ip = std::move(ip);
    return record;
}

TEST(DeviceTable, DuplicateRulesCompareWholeTexts)
{
    DeviceTable table(TableLayout::NewMode);
    table.append(device("AA:AA:AA:AA:AA:01", "192.168.1.10"));
    table.append(device("AA:AA:AA:AA:AA:02", "192.168.1.11"));

    struct Case {
        const char* name;
        DuplicateRule rule;
        const char* mac;
        const char* ip;
        bool duplicate;
    } cases[] = {
        {"old: same IP, other MAC", DuplicateRule::SameIp, "FF:FF:FF:FF:FF:FF", "192.168.1.10", true},
        {"old: same MAC, other IP", DuplicateRule::SameIp, "AA:AA:AA:AA:AA:01", "192.168.1.99", false},
        {"basic: same IP only", DuplicateRule::SameMacOrIp, "FF:FF:FF:FF:FF:FF", "192.168.1.11", true},
        {"basic: same MAC only", DuplicateRule::SameMacOrIp, "AA:AA:AA:AA:AA:02", "10.0.0.1", true},
        {"basic: neither", DuplicateRule::SameMacOrIp, "FF:FF:FF:FF:FF:FF", "10.0.0.1", false},
        {"extended: both in one row", DuplicateRule::SameMacAndIpInOneRow, "AA:AA:AA:AA:AA:01", "192.168.1.10", true},
        {"extended: MAC and IP of different rows", DuplicateRule::SameMacAndIpInOneRow, "AA:AA:AA:AA:AA:01",
            "192.168.1.11", false},
        {"extended: same MAC, other IP", DuplicateRule::SameMacAndIpInOneRow, "AA:AA:AA:AA:AA:01", "10.0.0.1", false},
        {"extended: MAC case differs", DuplicateRule::SameMacAndIpInOneRow, "aa:aa:aa:aa:aa:01", "192.168.1.10",
            false},
        {"texts as shown: zero-padded IP differs", DuplicateRule::SameIp, "", "192.168.001.010", false},
        {"a prefix is not equal", DuplicateRule::SameIp, "", "192.168.1.1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(table.isDuplicate(c.rule, c.mac, c.ip), c.duplicate);
    }
}

TEST(DeviceTable, ClearEmptiesAndAnEmptyClearIsFine)
{
    DeviceTable table(TableLayout::OldMode);
    table.clear();
    table.append(device("m", "1.1.1.1"));
    table.clear();
    EXPECT_EQ(table.rowCount(), 0u);
    EXPECT_FALSE(table.isDuplicate(DuplicateRule::SameIp, "m", "1.1.1.1"));
}

TEST(DeviceTable, CellsFollowTheActiveLayout)
{
    DeviceRecord record = device("AA:BB:CC:DD:EE:FF", "10.0.0.5");
    record.number = "1";
    record.firmware = "fw";
    DeviceTable oldTable(TableLayout::OldMode);
    DeviceTable newTable(TableLayout::NewMode);
    oldTable.append(record);
    newTable.append(record);
    EXPECT_EQ(oldTable.columnCount(), 9u);
    EXPECT_EQ(newTable.columnCount(), 14u);
    EXPECT_EQ(oldTable.text(0, 3), "10.0.0.5");
    EXPECT_EQ(oldTable.text(0, 5), "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(newTable.text(0, 3), "fw");
    EXPECT_EQ(newTable.text(0, 4), "10.0.0.5");
    EXPECT_EQ(newTable.text(0, 8), "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(columnOf(TableLayout::OldMode, DeviceField::Gateway), std::nullopt);
}

TEST(DeviceTable, SortingRenumbersOneToN)
{
    DeviceTable table(TableLayout::NewMode);
    for (const char* ip : {"10.0.0.3", "10.0.0.1", "10.0.0.2"}) {
        DeviceRecord record = device("", ip);
        record.number = std::to_string(table.rowCount() + 1);
        table.append(record);
    }
    table.sortByColumn(*columnOf(TableLayout::NewMode, DeviceField::Ip), std::less<std::string>());
    for (std::size_t row = 0; row < 3; ++row) {
        EXPECT_EQ(table.row(row).number, std::to_string(row + 1));
        EXPECT_EQ(table.row(row).ip, "10.0.0." + std::to_string(row + 1));
    }
}

// A device seen at its new address after a change: its row shows the new
// texts, the old address is free for a device that moves there, and an
// address another row still shows stays taken. The mark travels with the
// row when sorting moves it.
TEST(DeviceTable, UpdateInPlaceKeepsTheDuplicateIndexRight)
{
    DeviceTable table(TableLayout::NewMode);
    table.append(device("AA:AA:AA:AA:AA:01", "192.168.1.10"));
    table.append(device("AA:AA:AA:AA:AA:02", "192.168.1.10")); // same address, other MAC
    table.append(device("AA:AA:AA:AA:AA:03", "192.168.1.30"));
    const std::uint64_t id = table.rowId(2);

    table.update(2, device("AA:AA:AA:AA:AA:03", "10.0.0.30"));
    EXPECT_EQ(table.row(2).ip, "10.0.0.30");
    EXPECT_TRUE(table.isDuplicate(DuplicateRule::SameIp, "", "10.0.0.30"));
    EXPECT_FALSE(table.isDuplicate(DuplicateRule::SameIp, "", "192.168.1.30"));
    EXPECT_TRUE(table.isDuplicate(DuplicateRule::SameMacAndIpInOneRow, "AA:AA:AA:AA:AA:03", "10.0.0.30"));
    EXPECT_FALSE(table.isDuplicate(DuplicateRule::SameMacAndIpInOneRow, "AA:AA:AA:AA:AA:03", "192.168.1.30"));
    EXPECT_EQ(table.rowId(2), id);

    table.update(0, device("AA:AA:AA:AA:AA:01", "10.0.0.10"));
    EXPECT_TRUE(table.isDuplicate(DuplicateRule::SameIp, "", "192.168.1.10")) << "row 1 still shows it";
    table.update(1, device("AA:AA:AA:AA:AA:02", "10.0.0.11"));
    EXPECT_FALSE(table.isDuplicate(DuplicateRule::SameIp, "", "192.168.1.10"));
    EXPECT_TRUE(table.isDuplicate(DuplicateRule::SameMacOrIp, "AA:AA:AA:AA:AA:02", "1.1.1.1"));

    table.setCheck(2, {RowCheck::Confirmed, "seen"});
    table.sortByColumn(*columnOf(TableLayout::NewMode, DeviceField::Ip), std::greater<std::string>());
    const std::size_t moved = *table.indexOf(id);
    EXPECT_EQ(table.check(moved).state, RowCheck::Confirmed);
    EXPECT_EQ(table.row(moved).number, std::to_string(moved + 1));
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        if (row != moved)
            EXPECT_EQ(table.check(row).state, RowCheck::None);
    }
}

// A reply kept off the list is remembered only when it comes from a device
// no row shows at that address, however the MAC is spelt; a row moved by an
// update is known at its new address and no longer at its old one.
TEST(DeviceTable, RemembersOnlyOtherDevicesAtAListedAddress)
{
    DeviceTable table(TableLayout::NewMode);
    table.append(device("00:12:34:00:06:01", "192.168.1.64"));
    table.noteHidden(device("00-12-34-00-06-01", "192.168.1.64"));
    EXPECT_TRUE(table.hiddenAt("192.168.1.64").empty()) << "the listed device's own repeat";

    table.update(0, device("00:12:34:00:06:01", "10.0.0.64"));
    table.append(device("00:12:34:00:06:02", "192.168.1.64"));
    table.noteHidden(device("001234000601", "10.0.0.64"));
    EXPECT_TRUE(table.hiddenAt("10.0.0.64").empty()) << "the moved device at its new address";
    table.noteHidden(device("00:12:34:00:06:01", "192.168.1.64"));
    ASSERT_EQ(table.hiddenAt("192.168.1.64").size(), 1u) << "the moved device at its old address is another";
    EXPECT_EQ(table.hiddenAt("192.168.1.64")[0].mac, "00:12:34:00:06:01");
    table.noteHidden(device("0012.3400.0601", "192.168.1.64"));
    EXPECT_EQ(table.hiddenAt("192.168.1.64").size(), 1u) << "remembered once";
}

} // namespace
} // namespace lorvena
