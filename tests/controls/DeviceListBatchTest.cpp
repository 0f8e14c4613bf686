// The device list takes the rows of a search in batches: rows queued by the
// window wait a moment to go in together, and nothing that reads or rewrites
// the rows may see the list and the controller's table disagree.

#include "control/MainController.h"
#include "controls/CIpAddressEdit.h"
#include "controls/CSortListCtrl.h"
#include "controls/ControlsTestSupport.h"
#include "controls/OwnedListRows.h"
#include "control/OnvifRecordParser.h"
#include "platform/MessageQueue.h"
#include "sdk/onvif/OnvifAccess.h"
#include "ui/CTavrinDlg.h"

#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numeric>
#include <random>

namespace lorvena {
namespace {

constexpr ListColumn columns[] = {
    {"Nr", 40},
    {"Nazwa", 120},
};

// Lets the event loop run until the queued rows have gone in.
bool insertQueued(const CSortListCtrl& list)
{
    return QTest::qWaitFor([&list] { return list.queuedRowCount() == 0; }, 5000);
}

std::vector<std::string> firstColumn(const CSortListCtrl& list)
{
    std::vector<std::string> texts;
    for (int row = 0; row < list.rowCount(); ++row)
        texts.push_back(list.cellText(row, 0).toStdString());
    return texts;
}

TEST(DeviceListQueue, QueuedRowsGoInLaterUnlessSomethingNeedsThemFirst)
{
    using Rows = std::vector<std::string>;
    struct Case {
        const char* what;
        std::function<void(CSortListCtrl&, testing_support::OwnedListRows&)> act;
        Rows atOnce;
        Rows later;
    } cases[] = {
        {"queued rows wait",
            [](CSortListCtrl&, testing_support::OwnedListRows& rows) {
                rows.queue({"1", "A"});
                rows.queue({"2", "B"});
            },
            {}, {"1", "2"}},
        {"a cleared list drops its queued rows",
            [](CSortListCtrl&, testing_support::OwnedListRows& rows) {
                rows.queue({"1", "A"});
                rows.clear();
            },
            {}, {}},
        {"a row added at once goes below the queued ones",
            [](CSortListCtrl&, testing_support::OwnedListRows& rows) {
                rows.queue({"1", "A"});
                rows.add({"2", "B"});
            },
            {"1", "2"}, {"1", "2"}},
        {"a row's new texts land on the queued row",
            [](CSortListCtrl& list, testing_support::OwnedListRows& rows) {
                rows.queue({"1", "A"});
                rows.texts[0] = {"9", "A"};
                list.rowChanged(0);
            },
            {"9"}, {"9"}},
        {"shown rows replace the queued ones",
            [](CSortListCtrl& list, testing_support::OwnedListRows& rows) {
                rows.queue({"1", "A"});
                rows.queue({"2", "B"});
                rows.texts = {{"1", "C"}};
                list.showRows(1);
            },
            {"1"}, {"1"}},
        {"marks put the queued rows in first",
            [](CSortListCtrl& list, testing_support::OwnedListRows& rows) {
                rows.queue({"1", "A"});
                rows.queue({"2", "B"});
                list.setMarkedRows({1});
                EXPECT_TRUE(list.selectionModel()->isRowSelected(1, {}));
            },
            {"1", "2"}, {"1", "2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CSortListCtrl list(1000);
        list.setColumns(columns);
        testing_support::OwnedListRows rows(list);
        c.act(list, rows);
        EXPECT_EQ(firstColumn(list), c.atOnce);
        EXPECT_TRUE(insertQueued(list));
        EXPECT_EQ(firstColumn(list), c.later);
    }
}

// The main window with its controller, fed ONVIF records as the library's
// thread would post them: the quickest way to put thousands of rows into
// the table through the window's own view interface, with no network.
class WindowDeviceList : public testing::Test {
protected:
    static constexpr std::size_t burst = 10'000;
    static constexpr int nameColumn = 2;
    static constexpr int ipColumn = 4;

    void SetUp() override
    {
        controller = std::make_unique<MainController>(
            1, MainController::Dependencies {window, poster, [] { return std::vector<std::uint32_t> {}; }});
        window.attach(*controller);
        testing_support::showWindow(window);
    }

    // Device `serial`: address 10.x.y.z from the serial, a name that sorts
    // in yet another order.
    static std::vector<std::uint8_t> record(std::uint32_t serial)
    {
        OnvifDeviceRecord device {};
        device.typeCode = 900;
        std::snprintf(device.mac, sizeof device.mac, "%06X%06X", serial, serial);
        std::snprintf(device.name, sizeof device.name, "Kamera %05u", (serial * 7919u) % 100'000u);
        std::snprintf(device.address, sizeof device.address, "10.%u.%u.%u", serial >> 16, (serial >> 8) & 0xFF,
            serial & 0xFF);
        device.port = 80;
        std::vector<std::uint8_t> bytes(onvifRecordSize);
        std::memcpy(bytes.data(), &device, sizeof device);
        return bytes;
    }

    // Devices with these serials answer, in this order.
    void answer(const std::vector<std::uint32_t>& serials)
    {
        for (std::uint32_t serial : serials)
            controller->handleMessage({MessageId::OnvifDevice, 0, 0, record(serial)});
    }

    void clickHeader(int column)
    {
        QHeaderView* header = list()->horizontalHeader();
        list()->scrollTo(list()->model()->index(0, column));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }

    // Every cell shown is the table's, row by row.
    void expectListShowsTheTable()
    {
        const DeviceTable& table = controller->table();
        ASSERT_EQ(static_cast<std::size_t>(list()->rowCount()), table.rowCount());
        for (std::size_t row = 0; row < table.rowCount(); ++row) {
            for (std::size_t column = 0; column < table.columnCount(); ++column) {
                const QString shown = list()->cellText(static_cast<int>(row), static_cast<int>(column));
                if (shown.toStdString() != table.text(row, static_cast<int>(column))) {
                    ADD_FAILURE() << "row " << row << " column " << column << " shows " << shown.toStdString();
                    return;
                }
            }
        }
    }

    std::vector<std::string> columnTexts(int column) const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < list()->rowCount(); ++row)
            texts.push_back(list()->cellText(row, column).toStdString());
        return texts;
    }

    CSortListCtrl* list() const { return window.deviceList(); }

    CTavrinDlg window {QString(), 1};
    MessageQueue poster;
    std::unique_ptr<MainController> controller;
};

std::uint32_t dotted(const std::string& text)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
    return (a << 24) | (b << 16) | (c << 8) | d;
}

std::vector<std::string> numbersOneTo(std::size_t count)
{
    std::vector<std::string> numbers;
    for (std::size_t i = 1; i <= count; ++i)
        numbers.push_back(std::to_string(i));
    return numbers;
}

TEST_F(WindowDeviceList, TenThousandRowsAllShowSortedAndNumberedAndClickable)
{
    std::vector<std::uint32_t> serials(burst + 100);
    std::iota(serials.begin(), serials.end(), 1u);
    std::shuffle(serials.begin(), serials.end(), std::mt19937(20240101));

    // A burst goes in later, whole.
    answer({serials.begin(), serials.begin() + burst});
    ASSERT_EQ(controller->table().rowCount(), burst);
    EXPECT_LT(static_cast<std::size_t>(list()->rowCount()), burst);
    EXPECT_TRUE(insertQueued(*list()));
    expectListShowsTheTable();
    EXPECT_EQ(columnTexts(0), numbersOneTo(burst));

    // More rows, and a sort before they were shown (called directly: a
    // simulated click would run the event loop): all of them sorted.
    answer({serials.begin() + burst, serials.end()});
    controller->headerClicked(ipColumn);
    expectListShowsTheTable();
    EXPECT_EQ(columnTexts(0), numbersOneTo(serials.size()));
    std::vector<std::string> ips = columnTexts(ipColumn);
    EXPECT_TRUE(std::is_sorted(ips.begin(), ips.end(),
        [](const std::string& a, const std::string& b) { return dotted(a) < dotted(b); }));

    clickHeader(nameColumn);
    expectListShowsTheTable();
    EXPECT_EQ(columnTexts(0), numbersOneTo(serials.size()));
    std::vector<std::string> names = columnTexts(nameColumn);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    QTest::qWait(2 * static_cast<int>(CSortListCtrl::queueInterval.count())); // nothing left to go in
    expectListShowsTheTable();

    // A click far down the list is that row's device.
    constexpr int clicked = 7'777;
    list()->scrollTo(list()->model()->index(clicked, nameColumn));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
        list()->visualRect(list()->model()->index(clicked, nameColumn)).center());
    auto* newIp = static_cast<CIpAddressEdit*>(window.control(ControlId::NewIp));
    EXPECT_EQ(newIp->address(), dotted(controller->table().row(clicked).ip));
    expectListShowsTheTable();

    // A device answering after the sort goes to the bottom, numbered next.
    const auto late = static_cast<std::uint32_t>(serials.size() + 1);
    answer({late});
    EXPECT_TRUE(insertQueued(*list()));
    expectListShowsTheTable();
    const int last = list()->rowCount() - 1;
    EXPECT_EQ(list()->cellText(last, 0).toStdString(), std::to_string(late));
    EXPECT_EQ(dotted(list()->cellText(last, ipColumn).toStdString()), (10u << 24) | late);
}

} // namespace
} // namespace lorvena
