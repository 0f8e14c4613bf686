#include "ui/DeviceListMenu.h"

#include "controls/CSortListCtrl.h"
#include "devsim/Ipv4Text.h"
#include "discovery/DeviceTableText.h"
#include "ui/SearchedWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>

namespace lorvena {
namespace {

// Three devices in a new-generation window, found by a real search of the
// simulator in this process's own namespace, the list sorted by IP.
class DeviceListMenuTest : public testing_support::SearchedWindowTest {
protected:
    void TearDown() override
    {
        if (QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            open->close();
        SearchedWindowTest::TearDown();
    }

    void openWithDevices()
    {
        std::vector<devsim::SimulatedDevice> devices;
        struct Sample {
            const char* ip;
            const char* name;
            int port;
        };
        for (const Sample& sample : {Sample {"10.0.0.20", "Kamera, \"wjazd\"", 8080}, Sample {"10.0.0.3", "Łódź", 80},
                 Sample {"10.0.0.100", "=1+1", 81}}) {
            devsim::SimulatedDevice device;
            device.name = sample.name;
            device.ip = *devsim::parseIpv4(sample.ip);
            device.gateway = "10.0.0.1";
            device.dns = "10.0.0.1";
            const auto last = static_cast<std::uint8_t>(devices.size() + 1);
            device.mac = {0, 0x12, 0, 0, 0, last};
            device.macText = "00:12:00:00:00:0" + std::to_string(last);
            device.httpPort = static_cast<std::uint32_t>(sample.port);
            device.typeCode = 1;
            device.encoding = devsim::TextEncoding::Windows1250;
            devices.push_back(device);
        }
        openAndSearch(devices, 3);
        list = window->deviceList();
        clickHeader(4);
    }

    void clickHeader(int column)
    {
        QHeaderView* header = list->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 5, 5));
    }

    QPoint rowPoint(int row) { return list->visualRect(list->model()->index(row, 2)).center(); }

    // A right click as the window system delivers it: the button, then the
    // request for a menu (which QTest's clicks on a widget do not make).
    void rightClick(const QPoint& at)
    {
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &request);
    }

    // The menu the last right click or Menu key opened, and its action.
    QAction* openAction(const QString& text)
    {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return nullptr;
        const QList<QAction*> actions = menu->actions();
        auto found = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == text; });
        return found == actions.end() ? nullptr : *found;
    }

    CSortListCtrl* list = nullptr;
};

TEST_F(DeviceListMenuTest, ActionsTakeTheRowTheMenuWasOpenedOn)
{
    LORVENA_REQUIRE_NAMESPACE();
    openWithDevices();
    // The form shows the first row (10.0.0.3); the menus open elsewhere.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPoint(0));

    struct Case {
        const char* label;
        QString action;
        bool byKeyboard; // the Menu key on the current row (1), else a right click on row 2
        QString clipboard;
        QString url;
    };
    const Case cases[] = {
        {"row", DeviceListMenu::copyRowText, false,
            QStringLiteral(
                "3\tIPCAMERA\t=1+1\t\t10.0.0.100\t255.255.255.0\t10.0.0.1\t10.0.0.1\t00:12:00:00:00:03\t81\t554\t1"
                "\tNieaktywne\t1"),
            {}},
        {"ip", DeviceListMenu::copyIpText, false, QStringLiteral("10.0.0.100"), {}},
        {"mac", DeviceListMenu::copyMacText, false, QStringLiteral("00:12:00:00:00:03"), {}},
        {"web page", DeviceListMenu::openPageText, false, {}, QStringLiteral("http://10.0.0.100:81")},
        {"ip by the Menu key", DeviceListMenu::copyIpText, true, QStringLiteral("10.0.0.20"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QApplication::clipboard()->clear();
        urls.clear();
        if (c.byKeyboard) {
            list->setCurrentIndex(list->model()->index(1, 0));
            QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(0, 0), list->mapToGlobal(QPoint(0, 0)));
            QCoreApplication::sendEvent(list, &request);
        } else {
            rightClick(rowPoint(2));
            // The highlight stays on the row the form shows.
            const QModelIndexList highlighted = list->selectionModel()->selectedRows();
            ASSERT_EQ(highlighted.size(), 1);
            EXPECT_EQ(highlighted.first().row(), 0);
        }
        QAction* action = openAction(c.action);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        QApplication::activePopupWidget()->close();
        EXPECT_EQ(QApplication::clipboard()->text(), c.clipboard);
        EXPECT_EQ(urls.isEmpty() ? QString() : urls.last(), c.url);
    }
    // The form still shows the left-clicked device.
    EXPECT_EQ(controller->state().selected.ipText, "10.0.0.3");

    // Under the last row: nothing to copy or open, but the list exports.
    rightClick(QPoint(5, list->viewport()->height() - 3));
    ASSERT_NE(openAction(DeviceListMenu::copyRowText), nullptr);
    EXPECT_FALSE(openAction(DeviceListMenu::copyRowText)->isEnabled());
    EXPECT_FALSE(openAction(DeviceListMenu::openPageText)->isEnabled());
    EXPECT_TRUE(openAction(DeviceListMenu::exportText)->isEnabled());
}

// The CSV lines of `csv` without their numbers ("Nr" depends on the order
// replies came in), sorted.
QStringList rowsWithoutNumbers(const QByteArray& csv)
{
    QStringList rows;
    for (const QByteArray& line : csv.split('\n')) {
        if (line.isEmpty())
            continue;
        rows << QString::fromUtf8(line.mid(line.indexOf(',')));
    }
    rows.sort();
    return rows;
}

TEST_F(DeviceListMenuTest, ExportWritesTheListAsShownAndAsTheConsoleDoes)
{
    LORVENA_REQUIRE_NAMESPACE();
    openWithDevices();
    clickHeader(4); // the IP column again: descending
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QStringList offered;
    QString target = folder.filePath(QStringLiteral("lista.csv"));
    window->deviceListMenu()->setFileChooser([&](const QString& suggested) {
        offered << suggested;
        return target;
    });
    rightClick(rowPoint(1));
    QAction* exportAction = openAction(DeviceListMenu::exportText);
    ASSERT_NE(exportAction, nullptr);
    exportAction->trigger();
    QApplication::activePopupWidget()->close();

    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    ASSERT_TRUE(written.startsWith(QByteArray(utf8ByteOrderMark.data(), 3)));
    const QByteArray csv = written.mid(3);
    EXPECT_EQ(csv.toStdString(),
        "Nr,Rodzaj,Nazwa,Wersja firmware,Adres IP,Maska podsieci,Brama,DNS,MAC,Port HTTP,Port RTSP,Kanały,DHCP,Type\r\n"
        "1,IPCAMERA,'=1+1,,10.0.0.100,255.255.255.0,10.0.0.1,10.0.0.1,00:12:00:00:00:03,81,554,1,Nieaktywne,1\r\n"
        "2,IPCAMERA,\"Kamera, \"\"wjazd\"\"\",,10.0.0.20,255.255.255.0,10.0.0.1,10.0.0.1,00:12:00:00:00:01,8080,554,1,"
        "Nieaktywne,1\r\n"
        "3,IPCAMERA,Łódź,,10.0.0.3,255.255.255.0,10.0.0.1,10.0.0.1,00:12:00:00:00:02,80,554,1,Nieaktywne,1\r\n");
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();

    // The console's search of the same devices gives the same rows.
    QProcess console;
    console.start(QStringLiteral(LORVENA_TEST_CLI),
        {QStringLiteral("search"), QStringLiteral("--mode"), QStringLiteral("new"), QStringLiteral("--format"),
            QStringLiteral("csv"), QStringLiteral("--wait"), QStringLiteral("1")});
    ASSERT_TRUE(console.waitForFinished(30000));
    EXPECT_EQ(console.exitCode(), 0) << console.readAllStandardError().toStdString();
    const QByteArray printed = console.readAllStandardOutput();
    EXPECT_FALSE(printed.startsWith(QByteArray(utf8ByteOrderMark.data(), 3)));
    EXPECT_EQ(rowsWithoutNumbers(printed), rowsWithoutNumbers(csv));

    // The next export starts in the folder of this one; one that cannot be
    // written says so and names the file.
    target = folder.filePath(QStringLiteral("missing/lista.csv"));
    window->deviceListMenu()->exportList();
    ASSERT_EQ(offered.size(), 2);
    EXPECT_EQ(QFileInfo(offered.last()).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(DeviceListMenu::exportFailedText + target))
        << messages.first().toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(DeviceListMenuTest, TheMacCellNamesItsMakerFromThePrefixList)
{
    LORVENA_REQUIRE_NAMESPACE();
    openWithDevices();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile oui(folder.filePath(QStringLiteral("oui.txt")));
    ASSERT_TRUE(oui.open(QIODevice::WriteOnly));
    oui.write("00-12-00   (hex)\t\tKamery Łódź\n001200     (base 16)\t\tKamery Łódź\n");
    oui.close();
    window->deviceListMenu()->setOuiFile(oui.fileName().toStdString());

    auto hover = [&](int column) {
        const QPoint at = list->visualRect(list->model()->index(0, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &help);
    };
    const int macColumn = 8;
    EXPECT_TRUE(testing_support::pumpUntil(
        [&] {
            hover(macColumn);
            return QToolTip::isVisible() && QToolTip::text() == QStringLiteral("Kamery Łódź");
        },
        5000))
        << QToolTip::text().toStdString();
    // Any other cell keeps its own (here: no) tip.
    hover(4);
    EXPECT_TRUE(testing_support::pumpUntil([] { return !QToolTip::isVisible(); }, 5000));
}

} // namespace
} // namespace lorvena
