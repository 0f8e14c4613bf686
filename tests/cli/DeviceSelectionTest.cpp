#include "cli/DeviceSelection.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

DeviceRecord device(const char* ip, const char* mac, const char* type, const char* name)
{
    DeviceRecord row;
    row.ip = ip;
    row.mac = mac;
    row.typeCode = type;
    row.name = name;
    return row;
}

// Three factory-default recorders at one address, spelled as devices spell
// their MACs, a camera of the basic path at another shared address, and a
// device of its own.
DeviceTable siteTable()
{
    DeviceTable table(TableLayout::NewMode);
    for (DeviceRecord row : {device("192.168.1.108", "00:12:34:00:01:01", "610", "Pierwszy"),
             device("192.168.1.108", "00-12-34-00-01-02", "610", "Drugi"),
             device("192.168.1.108", "001234000103", "1000", "Trzeci"),
             device("10.1.0.20", "00:12:34:00:00:20", "300", "Kamera"),
             device("10.1.0.20", "00:12:34:00:00:21", "610", "Rejestrator"),
             device("10.1.0.30", "00:12:34:00:00:30", "300", "Sam")}) {
        row.number = std::to_string(table.rowCount() + 1);
        table.append(row);
    }
    return table;
}

DeviceChoice byIp(std::uint32_t ip) { return {ip, ""}; }
DeviceChoice byMac(const char* mac) { return {0, *macDigits(mac)}; }

TEST(DeviceSelection, AnAddressListingSeveralDevicesIsNeverPickedSilently)
{
    const DeviceTable table = siteTable();
    RowChoice choice = chooseRow(table, byIp(0xC0A8016C), SelectionPurpose::Change, 1);
    EXPECT_EQ(choice.verdict, RowChoice::Verdict::Refused);
    for (const char* candidate : {"00:12:34:00:01:01", "00-12-34-00-01-02", "001234000103", "--mac"})
        EXPECT_NE(choice.problem.find(candidate), std::string::npos) << choice.problem;

    choice = chooseRow(table, byIp(0x0A01001E), SelectionPurpose::Change, 1);
    EXPECT_EQ(choice.verdict, RowChoice::Verdict::Chosen);
    EXPECT_EQ(choice.row, 5);
    EXPECT_EQ(chooseRow(table, byIp(0x0A010063), SelectionPurpose::Change, 1).verdict,
        RowChoice::Verdict::NotListed);
}

TEST(DeviceSelection, MacChoosesItsRowWhateverTheSpelling)
{
    const DeviceTable table = siteTable();
    struct Case {
        const char* given;
        int row;
    } cases[] = {
        {"00:12:34:00:01:01", 0}, {"001234000102", 1}, {"00:12:34:00:01:03", 2}, {"00-12-34-00-00-30", 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        RowChoice choice = chooseRow(table, byMac(c.given), SelectionPurpose::Change, 1);
        EXPECT_EQ(choice.verdict, RowChoice::Verdict::Chosen) << choice.problem;
        EXPECT_EQ(choice.row, c.row);
    }
    RowChoice missing = chooseRow(table, byMac("00:12:34:00:09:99"), SelectionPurpose::Change, 1);
    EXPECT_EQ(missing.verdict, RowChoice::Verdict::NotListed);
    EXPECT_NE(missing.problem.find("00:12:34:00:09:99"), std::string::npos);
}

// Only the extended request names the device by its MAC; any other path,
// and every upgrade route, reaches each device at the shared address.
TEST(DeviceSelection, ASharedAddressTakesOnlyARequestThatNamesTheMac)
{
    const DeviceTable table = siteTable();
    struct Case {
        const char* mac;
        SelectionPurpose purpose;
        int searchMode;
        RowChoice::Verdict verdict;
    } cases[] = {
        {"00:12:34:00:00:21", SelectionPurpose::Change, 1, RowChoice::Verdict::Chosen},
        {"00:12:34:00:00:20", SelectionPurpose::Change, 1, RowChoice::Verdict::Refused},
        {"00:12:34:00:00:21", SelectionPurpose::Change, 0, RowChoice::Verdict::Refused},
        {"00:12:34:00:00:21", SelectionPurpose::Upgrade, 1, RowChoice::Verdict::Refused},
        {"00:12:34:00:00:30", SelectionPurpose::Upgrade, 1, RowChoice::Verdict::Chosen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mac);
        RowChoice choice = chooseRow(table, byMac(c.mac), c.purpose, c.searchMode);
        EXPECT_EQ(choice.verdict, c.verdict) << choice.problem;
        if (c.verdict == RowChoice::Verdict::Refused) {
            EXPECT_NE(choice.problem.find("10.1.0.20"), std::string::npos) << choice.problem;
        }
    }
}

TEST(DeviceSelection, BatchEntriesByAddressOrMac)
{
    const DeviceTable table = siteTable();
    RowChoices rows = chooseRows(table, {byMac("001234000102"), byIp(0x0A01001E), byMac("00:12:34:00:01:01")}, 1);
    EXPECT_EQ(rows.verdict, RowChoice::Verdict::Chosen) << rows.problem;
    EXPECT_EQ(rows.rows, (std::vector<int> {1, 5, 0}));

    // The same device twice, once by address and once by MAC.
    rows = chooseRows(table, {byIp(0x0A01001E), byMac("00:12:34:00:00:30")}, 1);
    EXPECT_EQ(rows.verdict, RowChoice::Verdict::Refused);
    EXPECT_NE(rows.problem.find("twice"), std::string::npos);

    EXPECT_EQ(chooseRows(table, {byIp(0x0A01001E), byIp(0xC0A8016C)}, 1).verdict, RowChoice::Verdict::Refused);
    EXPECT_EQ(chooseRows(table, {byIp(0x0A01001E), byMac("00:12:34:00:09:99")}, 1).verdict,
        RowChoice::Verdict::NotListed);
}

} // namespace
} // namespace lorvena

namespace lorvena {
namespace {

// Cameras answering the basic or old search at one address list as one row
// (the duplicate rules keep the first); the others are remembered, and the
// address then picks no device, nor a MAC one that is not alone there.
TEST(DeviceSelection, DevicesKeptOffTheListAtTheSameAddressCountToo)
{
    DeviceTable table(TableLayout::NewMode);
    DeviceRecord listed = device("192.168.1.64", "00:12:34:00:06:01", "300", "Kamera A");
    listed.number = "1";
    table.append(listed);
    table.noteHidden(device("192.168.1.64", "00-12-34-00-06-01", "300", "Kamera A")); // its own repeat
    table.noteHidden(device("192.168.1.64", "00:12:34:00:06:02", "300", "Kamera B"));
    table.noteHidden(device("192.168.1.64", "", "300", "Bez MAC"));          // nothing to tell it by
    table.noteHidden(device("10.9.9.9", "00:12:34:00:06:09", "300", "Obok")); // no row shows that address
    ASSERT_EQ(table.hiddenAt("192.168.1.64").size(), 1u);
    EXPECT_TRUE(table.hiddenAt("10.9.9.9").empty());

    RowChoice choice = chooseRow(table, byIp(0xC0A80140), SelectionPurpose::Change, 1);
    EXPECT_EQ(choice.verdict, RowChoice::Verdict::Refused);
    for (const char* candidate : {"00:12:34:00:06:01", "00:12:34:00:06:02", "2 devices"})
        EXPECT_NE(choice.problem.find(candidate), std::string::npos) << choice.problem;
    for (const char* mac : {"00:12:34:00:06:01", "00:12:34:00:06:02"})
        EXPECT_EQ(chooseRow(table, byMac(mac), SelectionPurpose::Change, 1).verdict, RowChoice::Verdict::Refused)
            << mac;

    table.clear();
    EXPECT_TRUE(table.hiddenAt("192.168.1.64").empty());
}

} // namespace
} // namespace lorvena
