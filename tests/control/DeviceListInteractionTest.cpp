#include "control/DeviceListInteraction.h"

#include "control/FakeMainView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <numeric>

namespace lorvena {
namespace {

using testing_support::FakeMainView;

constexpr std::uint32_t address(int a, int b, int c, int d)
{
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
        (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

DeviceRecord newRow(std::string ip, std::string dhcp, std::string type, std::string http = "80")
{
    DeviceRecord r;
    r.kind = "IPCAMERA";
    r.name = "cam " + ip;
    r.firmware = "V5.5";
    r.ip = std::move(ip);
    r.mask = "255.255.0.0";
    r.gateway = "10.1.0.1";
    r.dns = "8.8.8.8";
    r.mac = "AA:BB:CC:00:00:01";
    r.httpPort = std::move(http);
    r.rtspPort = "554";
    r.channels = "4";
    r.dhcp = std::move(dhcp);
    r.typeCode = std::move(type);
    return r;
}

class DeviceListTest : public testing::Test {
protected:
    void use(int searchMode, std::vector<DeviceRecord> rows)
    {
        state.searchMode = searchMode;
        table = DeviceTable(searchMode == 0 ? TableLayout::OldMode : TableLayout::NewMode);
        for (DeviceRecord& row : rows) {
            row.number = std::to_string(table.rowCount() + 1);
            table.append(std::move(row));
        }
    }

    FakeMainView view;
    WindowState state;
    DeviceTable table {TableLayout::NewMode};
    DeviceListInteraction list {view, table, state};
};

TEST_F(DeviceListTest, PlainClickNewLayoutFillsTheFormAndTheSelectedDevice)
{
    use(1, {newRow("10.1.2.3", "Nieaktywne", "520", "8080")});
    view.form.passwordText = "typed before";
    view.form.userName = "someone";
    list.click(0, ClickKind::Plain);

    const FormValues& f = view.form;
    EXPECT_EQ(f.newIp, address(10, 1, 2, 3));
    EXPECT_EQ(f.originalIp, address(10, 1, 2, 3));
    EXPECT_EQ(f.netMask, address(255, 255, 0, 0));
    EXPECT_EQ(f.gateway, address(10, 1, 0, 1));
    EXPECT_EQ(f.dnsServer, address(8, 8, 8, 8));
    EXPECT_EQ(f.httpPortText, "8080");
    EXPECT_EQ(f.rtspPortText, "554");
    EXPECT_EQ(f.mobilePortText, "4");
    EXPECT_EQ(f.userName, "admin");
    EXPECT_EQ(f.passwordText, "");
    EXPECT_FALSE(f.dhcpEnabled);
    EXPECT_EQ(state.selected.ipText, "10.1.2.3");
    EXPECT_EQ(state.selected.typeText, "520");
    EXPECT_EQ(state.selected.macText, "AA:BB:CC:00:00:01");
    EXPECT_EQ(state.selected.firmwareText, "V5.5");
    EXPECT_EQ(state.selectedRow, 0);
    EXPECT_EQ(view.upgradePasswordClears, 1);
    EXPECT_EQ(view.progressResets, 1);
}

TEST_F(DeviceListTest, DhcpRowGreysTheAddressFieldsAndRecordersLockTheRtspPort)
{
    struct Case {
        const char* dhcp;
        const char* type;
        bool addressesEnabled;
        bool rtspLocked;
    } cases[] = {
        {"Aktywne", "1", false, false},
        {"Nieaktywne", "1", true, false},
        {"Nieaktywne", "499", true, false},
        {"Nieaktywne", "500", true, true},
        {"Aktywne", "700", false, true},
        {"Nieaktywne", "x12", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dhcp) + " type " + c.type);
        use(1, {newRow("10.1.2.3", c.dhcp, c.type)});
        list.click(0, ClickKind::Plain);
        EXPECT_EQ(view.form.dhcpEnabled, !c.addressesEnabled);
        for (ControlId id : {ControlId::NewIp, ControlId::NetMask, ControlId::Gateway, ControlId::Dns})
            EXPECT_EQ(view.enabled[id], c.addressesEnabled);
        EXPECT_EQ(view.locked[ControlId::RtspPort], c.rtspLocked);
    }
}

TEST_F(DeviceListTest, PlainClickOldLayoutAssumesGatewayEndingInOne)
{
    DeviceRecord row;
    row.ip = "10.1.2.3";
    row.mask = "255.0.0.0";
    use(0, {row});
    list.click(0, ClickKind::Plain);
    EXPECT_EQ(view.form.newIp, address(10, 1, 2, 3));
    EXPECT_EQ(view.form.netMask, address(255, 0, 0, 0));
    EXPECT_EQ(view.form.gateway, address(10, 1, 2, 1));
    EXPECT_EQ(view.form.userName, "admin"); // untouched in the old layout
}

TEST_F(DeviceListTest, ClickOnTheEmptyAreaChangesOnlyTheSelection)
{
    use(1, {newRow("10.1.2.3", "Nieaktywne", "1")});
    view.form.passwordText = "kept";
    list.click(-1, ClickKind::Plain);
    EXPECT_EQ(state.selectedRow, -1);
    EXPECT_EQ(view.form.passwordText, "kept");
    EXPECT_EQ(view.formWrites, 0);
}

TEST_F(DeviceListTest, CtrlClickTogglesRowsInTheBatchInClickOrder)
{
    use(1, {newRow("10.0.0.1", "Nieaktywne", "1"), newRow("10.0.0.2", "Aktywne", "610", "8080"),
               newRow("10.0.0.3", "Nieaktywne", "1")});
    list.click(2, ClickKind::CtrlOnly);
    list.click(0, ClickKind::CtrlOnly);
    list.click(1, ClickKind::CtrlOnly);
    ASSERT_EQ(state.batchEntries.size(), 3u);
    EXPECT_EQ(state.batchEntries[0].ip, "10.0.0.3");
    EXPECT_EQ(state.batchEntries[1].ip, "10.0.0.1");
    const BatchEntry& last = state.batchEntries[2];
    EXPECT_EQ(last.ip, "10.0.0.2");
    EXPECT_EQ(last.typeCode, 610);
    EXPECT_EQ(last.httpPort, 8080);
    EXPECT_EQ(last.rtspPort, 554);
    EXPECT_EQ(last.dhcp, 1);
    EXPECT_EQ(last.mac, "AA:BB:CC:00:00:01");
    EXPECT_EQ(view.markedRows, (std::vector<std::size_t> {2, 0, 1}));
    EXPECT_TRUE(state.batchMode);

    list.click(0, ClickKind::CtrlOnly); // again: leaves the batch
    ASSERT_EQ(state.batchEntries.size(), 2u);
    EXPECT_EQ(state.batchEntries[0].ip, "10.0.0.3");
    EXPECT_EQ(state.batchEntries[1].ip, "10.0.0.2");
    EXPECT_EQ(view.markedRows, (std::vector<std::size_t> {2, 1}));

    list.click(-1, ClickKind::CtrlOnly); // the empty area adds nothing
    EXPECT_EQ(state.batchEntries.size(), 2u);
}

TEST_F(DeviceListTest, CtrlClickPutsStartIpInPlaceOfTheIpControl)
{
    use(1, {newRow("10.0.0.1", "Nieaktywne", "1")});
    list.click(0, ClickKind::CtrlOnly);
    EXPECT_TRUE(view.visible[ControlId::StartIp]);
    EXPECT_TRUE(view.visible[ControlId::StartIpLabel]);
    EXPECT_FALSE(view.visible[ControlId::NewIp]);
    EXPECT_FALSE(view.visible[ControlId::IpLabel]);
    EXPECT_EQ(view.placements, (std::vector<std::pair<ControlId, ControlId>> {
                                   {ControlId::StartIpLabel, ControlId::IpLabel}, {ControlId::StartIp, ControlId::NewIp}}));

    // A plain click ends the batch and, in the new layout, brings the IP back.
    list.click(0, ClickKind::Plain);
    EXPECT_FALSE(state.batchMode);
    EXPECT_TRUE(state.batchEntries.empty());
    EXPECT_TRUE(view.markedRows.empty());
    EXPECT_TRUE(view.visible[ControlId::NewIp]);
    EXPECT_FALSE(view.visible[ControlId::StartIp]);
}

TEST_F(DeviceListTest, OldLayoutKeepsStartIpAfterAPlainClick)
{
    DeviceRecord row;
    row.ip = "10.1.2.3";
    row.mask = "255.0.0.0";
    use(0, {row});
    list.click(0, ClickKind::CtrlOnly);
    ASSERT_EQ(state.batchEntries.size(), 1u);
    EXPECT_EQ(state.batchEntries[0].ip, "10.1.2.3"); // the IP column, not whatever sits at its new-layout index
    view.visible.clear();
    list.click(0, ClickKind::Plain);
    EXPECT_FALSE(view.visible.count(ControlId::NewIp));
    EXPECT_FALSE(view.visible.count(ControlId::StartIp));
}

// Old-generation replies carry no DHCP flag: an empty cell must not read as
// "on", neither for a batch entry nor for a hidden box that a later single
// change would send.
TEST_F(DeviceListTest, OldGenerationDevicesAreNeverOnDhcp)
{
    DeviceRecord row;
    row.ip = "10.1.2.3";
    row.mask = "255.0.0.0";
    use(0, {row});
    view.form.dhcpEnabled = true; // ticked by whatever came before
    list.click(0, ClickKind::CtrlOnly);
    ASSERT_EQ(state.batchEntries.size(), 1u);
    EXPECT_EQ(state.batchEntries[0].dhcp, 0);
    EXPECT_FALSE(view.form.dhcpEnabled);

    view.form.dhcpEnabled = true;
    list.click(0, ClickKind::Plain);
    EXPECT_FALSE(view.form.dhcpEnabled);
    for (ControlId id : {ControlId::NewIp, ControlId::NetMask, ControlId::Gateway})
        EXPECT_TRUE(view.enabled[id]);
}

// A Ctrl+click shows the row's DHCP state as a plain click does: the address
// fields a request leaves out are the ones the form greys.
TEST_F(DeviceListTest, CtrlClickGreysTheAddressFieldsOfADhcpRow)
{
    use(1, {newRow("10.0.0.1", "Aktywne", "1"), newRow("10.0.0.2", "Nieaktywne", "1")});
    for (int row : {0, 1}) {
        list.click(row, ClickKind::CtrlOnly);
        bool dhcp = row == 0;
        EXPECT_EQ(view.form.dhcpEnabled, dhcp);
        for (ControlId id : {ControlId::NewIp, ControlId::NetMask, ControlId::Gateway, ControlId::Dns})
            EXPECT_EQ(view.enabled[id], !dhcp);
    }
}

TEST_F(DeviceListTest, DoubleClickOpensTheDevicesWebPage)
{
    use(1, {newRow("192.168.1.20", "Nieaktywne", "1", "8080")});
    list.doubleClick(0);
    list.doubleClick(-1);
    list.doubleClick(5);
    EXPECT_EQ(view.openedUrls, (std::vector<std::string> {"http://192.168.1.20:8080"}));

    DeviceRecord old;
    old.ip = "10.0.0.9";
    old.httpPort = "81";
    use(0, {old});
    list.doubleClick(0);
    EXPECT_EQ(view.openedUrls.back(), "http://10.0.0.9:81");
}

TEST_F(DeviceListTest, HeaderClicksSortAndRenumber)
{
    use(0, {});
    for (auto [ip, port] : {std::pair {"192.168.1.10", "9"}, {"192.168.1.9", "10"}, {"10.0.0.200", "80"}}) {
        DeviceRecord row;
        row.ip = ip;
        row.httpPort = port;
        row.number = std::to_string(table.rowCount() + 1);
        table.append(row);
    }
    auto ips = [&] {
        std::vector<std::string> order;
        for (std::size_t r = 0; r < table.rowCount(); ++r) {
            EXPECT_EQ(table.row(r).number, std::to_string(r + 1));
            order.push_back(table.row(r).ip);
        }
        return order;
    };

    list.headerClick(0); // the row number does not sort
    EXPECT_EQ(ips(), (std::vector<std::string> {"192.168.1.10", "192.168.1.9", "10.0.0.200"}));
    EXPECT_TRUE(view.reorders.empty());

    list.headerClick(3); // addresses compare as numbers
    EXPECT_EQ(ips(), (std::vector<std::string> {"10.0.0.200", "192.168.1.9", "192.168.1.10"}));
    list.headerClick(3);
    EXPECT_EQ(ips(), (std::vector<std::string> {"192.168.1.10", "192.168.1.9", "10.0.0.200"}));
    list.headerClick(6); // ports compare as text: "10" before "80" before "9"
    EXPECT_EQ(ips(), (std::vector<std::string> {"192.168.1.9", "10.0.0.200", "192.168.1.10"}));
    EXPECT_EQ(view.reorders, (std::vector<std::pair<int, bool>> {{3, true}, {3, false}, {6, true}}));
}

TEST_F(DeviceListTest, BatchMarksFollowTheirRowsThroughASort)
{
    use(1, {newRow("10.0.0.3", "Nieaktywne", "1"), newRow("10.0.0.1", "Nieaktywne", "1")});
    list.click(0, ClickKind::CtrlOnly); // 10.0.0.3
    list.headerClick(4);
    EXPECT_EQ(table.row(1).ip, "10.0.0.3");
    EXPECT_EQ(view.markedRows, (std::vector<std::size_t> {1}));
}

// A header click's sort makes each cell's key once; the order must be the
// one the comparison of the texts gives, equal keys keeping their order,
// in both directions and in a locale whose order is not the bytes'.
TEST(DeviceListSortKeys, OrderAsTheTextsCompare)
{
    const std::vector<std::string> texts {"192.168.1.10", "192.168.1.9", "10.0.0.200", "V5.5.0", "", "9", "10", "Brama",
        "brama", "Łąka", "Łaka", "Wejście", "192.168.001.9", " 7.1", "-1.2.3.4", "10.0.0.200"};
    const char* previous = std::setlocale(LC_COLLATE, nullptr);
    const std::string restore = previous ? previous : "C";
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (!std::setlocale(LC_COLLATE, locale))
            continue;
        for (int column : {2, 3, 4, 6}) {
            DeviceListSort sort;
            sort.clickHeader(column);
            for (bool ascending : {true, false}) {
                SCOPED_TRACE(std::string(locale) + " column " + std::to_string(column) + (ascending ? " up" : " down"));
                if (sort.ascending() != ascending)
                    sort.clickHeader(column);
                std::vector<std::size_t> byTexts(texts.size());
                std::iota(byTexts.begin(), byTexts.end(), 0u);
                std::vector<std::size_t> byKeys = byTexts;
                std::stable_sort(byTexts.begin(), byTexts.end(),
                    [&](std::size_t a, std::size_t b) { return sort.before(texts[a], texts[b]); });
                std::vector<DeviceListSort::Key> keys;
                for (const std::string& text : texts)
                    keys.push_back(sort.keyOf(text));
                std::stable_sort(byKeys.begin(), byKeys.end(),
                    [&](std::size_t a, std::size_t b) { return sort.before(keys[a], keys[b]); });
                EXPECT_EQ(byKeys, byTexts);
            }
        }
    }
    std::setlocale(LC_COLLATE, restore.c_str());
}

TEST(DottedText, ToAddressAndSortValue)
{
    EXPECT_EQ(dottedToAddress("192.168.1.1"), 0xC0A80101u);
    EXPECT_EQ(dottedToAddress("300.1.1.1"), 0x2C010101u); // low 8 bits of each part
    EXPECT_EQ(dottedToAddress(""), 0u);
    EXPECT_EQ(dottedValue("192.168.1.10"), 3232235786u);
    EXPECT_EQ(dottedValue("10.0.0.1"), 0x0A000001u);
    EXPECT_LT(dottedValue("192.168.1.9"), dottedValue("192.168.1.10"));
    // Fewer than three dots still give a value (the fourth part restarts at the front).
    EXPECT_EQ(dottedValue("V5.5.0"), 0x00050000u);
}

} // namespace
} // namespace lorvena
