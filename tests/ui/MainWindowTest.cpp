#include "ui/CTavrinDlg.h"

#include "controls/CDlgBuffer.h"
#include "controls/CGradientProgressCtrl.h"
#include "ui/CDlgUpgrade.h"

#include "control/MainController.h"
#include "controls/CIpAddressEdit.h"
#include "controls/CPngButton.h"
#include "controls/CSortListCtrl.h"
#include "devsim/Ipv4Text.h"
#include "devsim/Simulator.h"
#include "platform/LocalAddresses.h"
#include "ui/QtMessagePoster.h"
#include "ui/UiTestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

using enum ControlId;

class MainWindowTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (controller)
            controller->shutdownSearch();
        if (simulator)
            simulator->stop();
    }

    // `withNetwork`: the machine's addresses (the test's own namespace);
    // otherwise none, so nothing is ever sent.
    void open(int searchMode, bool withNetwork = false, bool softStart = false, UpgradeTimings upgradeTimings = {})
    {
        window = std::make_unique<CTavrinDlg>(QStringLiteral(LORVENA_TEST_SKIN_DIR), searchMode);
        poster = std::make_unique<QtMessagePoster>(window.get());
        AddressSource addresses = localIpv4Addresses;
        if (!withNetwork)
            addresses = [] { return std::vector<std::uint32_t> {}; };
        controller = std::make_unique<MainController>(searchMode,
            MainController::Dependencies {
                *window, *poster, addresses, nullptr, {}, nullptr, nullptr, softStart, nullptr, upgradeTimings});
        window->attach(*controller);
        window->setMessageSink([this](const QString& text) { messages << text; });
        window->setUrlOpener([this](const QString& url) { urls << url; });
        controller->initialise();
        window->show();
    }

    bool shown(ControlId id) { return window->control(id)->isVisibleTo(window.get()); }

    void clickButton(ControlId id)
    {
        QWidget* button = window->control(id);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    bool waitFor(const std::function<bool()>& done, int milliseconds = 5000)
    {
        return testing_support::pumpUntil(done, milliseconds);
    }

    std::unique_ptr<CTavrinDlg> window;
    std::unique_ptr<QtMessagePoster> poster;
    std::unique_ptr<MainController> controller;
    std::unique_ptr<devsim::Simulator> simulator;
    QStringList messages;
    QStringList urls;
};

TEST_F(MainWindowTest, EachGenerationShowsItsControls)
{
    open(0);
    EXPECT_TRUE(shown(OldModifyTab));
    EXPECT_FALSE(shown(ModifyTab));
    EXPECT_FALSE(shown(Dns));
    EXPECT_FALSE(shown(OnvifMaskCheck));
    EXPECT_EQ(window->deviceList()->columnCount(), 9);
    EXPECT_EQ(window->windowTitle(), "Lorvena");

    open(1);
    EXPECT_FALSE(shown(OldModifyTab));
    EXPECT_TRUE(shown(ModifyTab));
    EXPECT_TRUE(shown(Dns));
    EXPECT_TRUE(shown(OnvifMaskCheck));
    EXPECT_FALSE(shown(StartIp));
    EXPECT_EQ(window->deviceList()->columnCount(), 14);
    EXPECT_EQ(static_cast<QLineEdit*>(window->control(UserName))->text(), "admin");
    EXPECT_EQ(static_cast<CIpAddressEdit*>(window->control(NetMask))->address(), 0xFFFFFF00u);
    // Skin buttons take their image's frame size.
    EXPECT_EQ(window->control(Search)->size(), QSize(210, 28));
    EXPECT_EQ(window->control(ControlId::ModeSwitch)->toolTip(), "Stare");
}

TEST_F(MainWindowTest, OnlyTheTopBandDragsTheWindow)
{
    open(1);
    struct Case {
        int y;
        bool drags;
    };
    const QPoint step(40, 25);
    for (const Case& c : {Case {0, true}, Case {77, true}, Case {78, false}, Case {300, false}}) {
        SCOPED_TRACE(c.y);
        window->move(100, 100);
        const QPoint before = window->pos();
        const QPoint press(200, c.y);
        QTest::mousePress(window.get(), Qt::LeftButton, {}, press);
        QTest::mouseMove(window.get(), press + step);
        QTest::mouseRelease(window.get(), Qt::LeftButton, {}, press + step);
        EXPECT_EQ(window->pos(), c.drags ? before + step : before);
        // Once released, the mouse moves the window no more.
        QTest::mouseMove(window.get(), press);
        EXPECT_EQ(window->pos(), c.drags ? before + step : before);
    }
}

TEST_F(MainWindowTest, EscapeLeavesTheWindowOpen)
{
    open(1);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
}

TEST_F(MainWindowTest, DhcpCheckboxAndTabsChangeTheForm)
{
    open(1);
    auto* dhcp = static_cast<QCheckBox*>(window->control(Dhcp));
    QTest::mouseClick(dhcp, Qt::LeftButton, {}, dhcp->rect().center());
    EXPECT_TRUE(dhcp->isChecked());
    EXPECT_FALSE(window->control(NewIp)->isEnabled());
    EXPECT_FALSE(window->control(Dns)->isEnabled());

    static_cast<QLineEdit*>(window->control(Password))->setText(QStringLiteral("secret"));
    clickButton(UpgradeTab);
    EXPECT_FALSE(shown(NewIp));
    EXPECT_TRUE(static_cast<CPngButton*>(window->control(UpgradeTab))->isSelected());
    EXPECT_EQ(static_cast<QLineEdit*>(window->control(Password))->text(), "");
    clickButton(ModifyTab);
    EXPECT_TRUE(shown(NewIp));
    EXPECT_TRUE(static_cast<CPngButton*>(window->control(ModifyTab))->isSelected());
}

TEST_F(MainWindowTest, SoftCloseMessageEndsOnlyASoftStartedWindow)
{
    open(1, false, false);
    poster->post({MessageId::SoftClose, 0, 0, {}});
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());

    open(1, false, true);
    poster->post({MessageId::SoftClose, 0, 0, {}});
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), 2);
}

TEST_F(MainWindowTest, SearchListsSimulatedDevicesAndAClickFillsTheForm)
{
    LORVENA_REQUIRE_NAMESPACE();
    std::vector<devsim::SimulatedDevice> devices;
    for (auto [ip, dhcp, type] : {std::tuple {"10.0.0.20", true, 1}, {"10.0.0.3", false, 520}, {"10.0.0.100", false, 1}}) {
        devsim::SimulatedDevice device;
        device.kind = "IPCAMERA";
        device.name = std::string("Kamera ") + ip;
        device.ip = *devsim::parseIpv4(ip);
        device.mask = "255.255.255.0";
        device.gateway = "10.0.0.1";
        device.dns = "10.0.0.1";
        device.mac = {0, 0x12, 0, 0, 0, static_cast<std::uint8_t>(devices.size() + 1)};
        device.macText = "00:12:00:00:00:0" + std::to_string(devices.size() + 1);
        device.httpPort = 8080;
        device.dhcp = dhcp;
        device.typeCode = type;
        devices.push_back(device);
    }
    simulator = std::make_unique<devsim::Simulator>(devices, devsim::SimulatorOptions {});
    std::string error;
    ASSERT_TRUE(simulator->start(error)) << error;

    open(1, true);
    clickButton(Search);
    CSortListCtrl* list = window->deviceList();
    ASSERT_TRUE(waitFor([&] { return list->rowCount() == 3; })) << list->rowCount() << " rows";

    // Sort by IP: numerically, so 10.0.0.3 < 10.0.0.20 < 10.0.0.100.
    QHeaderView* header = list->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(4) + 5, 5));
    EXPECT_EQ(list->cellText(0, 4), "10.0.0.3");
    EXPECT_EQ(list->cellText(1, 4), "10.0.0.20");
    EXPECT_EQ(list->cellText(2, 4), "10.0.0.100");
    EXPECT_EQ(list->cellText(2, 0), "3");

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 2)).center());
    EXPECT_EQ(static_cast<CIpAddressEdit*>(window->control(NewIp))->address(), 0x0A000014u);
    EXPECT_EQ(static_cast<QLineEdit*>(window->control(HttpPort))->text(), "8080");
    EXPECT_TRUE(static_cast<QCheckBox*>(window->control(Dhcp))->isChecked());
    EXPECT_FALSE(window->control(NewIp)->isEnabled());

    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 2)).center());
    ASSERT_FALSE(urls.isEmpty());
    EXPECT_EQ(urls.last(), "http://10.0.0.3:8080");

    // Enter anywhere searches again: the devices are asked a second time,
    // and a third from the list, where a click leaves the focus.
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return simulator->counts().basicSearch == 2 && list->rowCount() == 3; }));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return simulator->counts().basicSearch == 3 && list->rowCount() == 3; }));
}

TEST_F(MainWindowTest, ZmianaIpChangesTheClickedDeviceAndABatch)
{
    LORVENA_REQUIRE_NAMESPACE();
    std::vector<devsim::SimulatedDevice> devices;
    for (int last : {5, 6, 7}) {
        devsim::SimulatedDevice device;
        device.generations = {false, false, true}; // the extended exchange
        device.kind = "NVR";
        device.name = "Rejestrator " + std::to_string(last);
        device.ip = *devsim::parseIpv4("127.0.0." + std::to_string(last));
        device.mask = "255.0.0.0";
        device.gateway = "127.0.0.1";
        device.dns = "127.0.0.1";
        device.mac = {0, 0x12, 0, 0, 0, static_cast<std::uint8_t>(last)};
        device.macText = "00:12:00:00:00:0" + std::to_string(last);
        device.typeCode = 610;
        device.password = "12345";
        devices.push_back(device);
    }
    simulator = std::make_unique<devsim::Simulator>(devices, devsim::SimulatorOptions {});
    std::string error;
    ASSERT_TRUE(simulator->start(error)) << error;

    open(1, true);
    CSortListCtrl* list = window->deviceList();
    clickButton(Search);
    ASSERT_TRUE(waitFor([&] { return list->rowCount() == 3; }));
    controller->headerClicked(4); // 127.0.0.5, .6, .7 from the top

    // One device: click it, type the password and a new address, "Zmiana IP".
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 2)).center());
    static_cast<QLineEdit*>(window->control(Password))->setText(QStringLiteral("12345"));
    static_cast<CIpAddressEdit*>(window->control(NewIp))->setAddress(0x7F000032u); // 127.0.0.50
    clickButton(ApplyChanges);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), QStringLiteral("Zmiana zakończona powodzeniem"));
    EXPECT_EQ(simulator->device(0).ip, 0x7F000032u);
    // Then the device is looked for at its new address: its row takes the
    // settings it now reports and a confirmed mark; the list stays.
    auto check = [&](int row) { return list->model()->index(row, 0).data(CSortListCtrl::checkRole).toInt(); };
    const int confirmed = static_cast<int>(RowMark::Confirmed);
    ASSERT_TRUE(waitFor([&] { return check(0) == confirmed; }, 10000)) << "no confirmed mark";
    EXPECT_EQ(list->cellText(0, 4), "127.0.0.50");
    EXPECT_FALSE(list->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_TRUE(list->model()->index(0, 4).data(Qt::ToolTipRole).toString().contains("127.0.0.50"));
    EXPECT_EQ(list->rowCount(), 3);
    EXPECT_EQ(check(1), static_cast<int>(RowMark::None));

    // A batch: Ctrl+click the other two, a start address, "Zmiana IP".
    for (int row : {1, 2})
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
            list->visualRect(list->model()->index(row, 2)).center());
    EXPECT_TRUE(window->control(StartIp)->isVisibleTo(window.get()));
    static_cast<CIpAddressEdit*>(window->control(StartIp))->setAddress(0x7F000064u); // 127.0.0.100
    static_cast<QLineEdit*>(window->control(Password))->setText(QStringLiteral("12345"));
    clickButton(ApplyChanges); // runs the busy dialog until the batch ends
    EXPECT_EQ(messages.last(), QStringLiteral("Zmiana zakończona powodzeniem"));
    EXPECT_EQ(simulator->device(1).ip, 0x7F000064u);
    EXPECT_EQ(simulator->device(2).ip, 0x7F000065u);
    ASSERT_TRUE(waitFor([&] { return check(1) == confirmed && check(2) == confirmed; }, 10000));
    EXPECT_EQ(list->cellText(1, 4), "127.0.0.100");
    EXPECT_EQ(list->cellText(2, 4), "127.0.0.101");

    // A sort shows the rows again, with their marks.
    controller->headerClicked(4); // descending
    EXPECT_EQ(list->cellText(0, 4), "127.0.0.101");
    for (int row : {0, 1, 2})
        EXPECT_EQ(check(row), confirmed) << "row " << row;
}

// Old devices have no DHCP flag. A Ctrl+click on one used to tick the hidden
// DHCP box, and the next plain "Zmiana IP" then sent DHCP on with empty
// addresses: the device kept its address while the window claimed success.
TEST_F(MainWindowTest, OldGenerationChangeAfterACtrlClickMovesTheDevice)
{
    LORVENA_REQUIRE_NAMESPACE();
    std::vector<devsim::SimulatedDevice> devices;
    for (int last : {11, 12}) {
        devsim::SimulatedDevice device;
        device.generations = {true, false, false}; // the old generation
        device.kind = "DVR";
        device.name = "Stary " + std::to_string(last);
        device.ip = *devsim::parseIpv4("127.0.0." + std::to_string(last));
        device.mask = "255.0.0.0";
        device.mac = {0, 0x12, 0, 0, 0, static_cast<std::uint8_t>(last)};
        devices.push_back(device);
    }
    simulator = std::make_unique<devsim::Simulator>(devices, devsim::SimulatorOptions {});
    std::string error;
    ASSERT_TRUE(simulator->start(error)) << error;

    open(0, true);
    CSortListCtrl* list = window->deviceList();
    clickButton(Search);
    ASSERT_TRUE(waitFor([&] { return list->rowCount() == 2; }));
    controller->headerClicked(3); // 127.0.0.11, .12 from the top

    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
        list->visualRect(list->model()->index(0, 2)).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 2)).center());
    // Typed where the user sees the address field: this layout keeps "Start
    // IP" in the IP field's place after the Ctrl+click.
    QWidget* shown = window->control(NewIp)->isVisibleTo(window.get()) ? window->control(NewIp)
                                                                        : window->control(StartIp);
    ASSERT_TRUE(shown->isVisibleTo(window.get()));
    EXPECT_EQ(static_cast<CIpAddressEdit*>(shown)->address(), 0x7F00000Cu) << "the clicked device's address";
    static_cast<CIpAddressEdit*>(shown)->setAddress(0x7F000028u); // 127.0.0.40
    clickButton(ApplyChanges);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(), QStringLiteral("Zmiana zakończona powodzeniem"));
    // No answer comes in this generation: the device is seen once it has
    // taken the broadcast.
    ASSERT_TRUE(waitFor([&] { return simulator->counts().oldModify > 0; }));
    EXPECT_EQ(simulator->device(1).ip, 0x7F000028u);
    EXPECT_FALSE(simulator->device(1).dhcp);
}

TEST_F(MainWindowTest, UpgradePanelSendsAPackageAndFollowsTheDevicesProgress)
{
    LORVENA_REQUIRE_NAMESPACE();
    devsim::SimulatedDevice device;
    device.generations = {false, true, false};
    device.kind = "NVR";
    device.name = "Rejestrator";
    device.ip = *devsim::parseIpv4("127.0.0.8");
    device.mac = {0, 0x12, 0, 0, 0, 8};
    device.typeCode = 1000; // the sized upload, then the device's progress report
    device.password = "12345";
    device.upgrade.sized = true;
    device.upgrade.progress = std::chrono::milliseconds(500);
    simulator = std::make_unique<devsim::Simulator>(std::vector {device}, devsim::SimulatorOptions {});
    std::string error;
    ASSERT_TRUE(simulator->start(error)) << error;

    const QString package = QDir::temp().filePath(QStringLiteral("lorvena-window-upgrade.package"));
    QByteArray bytes(200000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 31);
    QFile file(package);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    UpgradeTimings timings;
    timings.pollInterval = std::chrono::milliseconds(50);
    open(1, true, false, timings);
    CSortListCtrl* list = window->deviceList();
    clickButton(Search);
    ASSERT_TRUE(waitFor([&] { return list->rowCount() == 1; }));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 2)).center());
    clickButton(UpgradeTab);

    CDlgUpgrade* panel = window->upgradePanel();
    ASSERT_TRUE(panel->isVisibleTo(window.get()));
    static_cast<QLineEdit*>(panel->control(CDlgUpgrade::Id::Path))->setText(package);
    static_cast<QLineEdit*>(panel->control(CDlgUpgrade::Id::Password))->setText(QStringLiteral("12345"));
    QWidget* upgrade = panel->control(CDlgUpgrade::Id::Upgrade);
    QTest::mouseClick(upgrade, Qt::LeftButton, {}, upgrade->rect().center());

    UpgradeFlow& flow = controller->upgradeFlow();
    ASSERT_TRUE(waitFor([&] { return flow.endings() > 0; }, 30000)) << "the upgrade never ended";
    EXPECT_TRUE(flow.lastSucceeded());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(panel->progress()->position(), 100);
    EXPECT_EQ(static_cast<QLineEdit*>(panel->control(CDlgUpgrade::Id::Path))->text(), QString());

    devsim::UpgradeRecord received = simulator->upgrade(0);
    EXPECT_TRUE(received.complete);
    EXPECT_EQ(received.sizeField, 200000u);
    EXPECT_TRUE(received.stream.ends_with(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));

    // The upgrade has ended, so the Modify tab is no longer refused.
    clickButton(ModifyTab);
    EXPECT_FALSE(panel->isVisibleTo(window.get()));
    QFile::remove(package);
}

// A device whose web server accepts and never answers holds the credential
// check for seconds: the window shows the busy dialog meanwhile, and its
// Cancel gives the window back at once, with no upload started then or when
// the check ends later.
TEST_F(MainWindowTest, UpgradeCredentialCheckRunsUnderTheBusyDialogAndCancelReturnsAtOnce)
{
    LORVENA_REQUIRE_NAMESPACE();
    devsim::SimulatedDevice device;
    device.generations = {false, true, false};
    device.kind = "NVR";
    device.name = "Milczy";
    device.ip = *devsim::parseIpv4("127.0.0.9");
    device.mac = {0, 0x12, 0, 0, 0, 9};
    device.typeCode = 1000;
    device.password = "12345";
    device.http = devsim::HttpMode::Silent;
    simulator = std::make_unique<devsim::Simulator>(std::vector {device}, devsim::SimulatorOptions {});
    std::string error;
    ASSERT_TRUE(simulator->start(error)) << error;

    const QString package = QDir::temp().filePath(QStringLiteral("lorvena-window-cancel.package"));
    QFile file(package);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1000, 'p'));
    file.close();

    open(1, true);
    CSortListCtrl* list = window->deviceList();
    clickButton(Search);
    ASSERT_TRUE(waitFor([&] { return list->rowCount() == 1; }));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 2)).center());
    clickButton(UpgradeTab);
    CDlgUpgrade* panel = window->upgradePanel();
    static_cast<QLineEdit*>(panel->control(CDlgUpgrade::Id::Path))->setText(package);
    static_cast<QLineEdit*>(panel->control(CDlgUpgrade::Id::Password))->setText(QStringLiteral("12345"));

    // Cancel as a user would, once the dialog is up over the waiting check.
    bool dialogSeen = false;
    QTimer cancelWhenShown;
    QObject::connect(&cancelWhenShown, &QTimer::timeout, [&] {
        CDlgBuffer* busy = window->busyDialog();
        if (!busy->isVisible())
            return;
        dialogSeen = true;
        cancelWhenShown.stop();
        QTest::mouseClick(busy->cancelButton(), Qt::LeftButton, {}, busy->cancelButton()->rect().center());
    });
    cancelWhenShown.start(20);
    UpgradeFlow& flow = controller->upgradeFlow();
    QWidget* upgrade = panel->control(CDlgUpgrade::Id::Upgrade);
    QTest::mouseClick(upgrade, Qt::LeftButton, {}, upgrade->rect().center());
    cancelWhenShown.stop();

    EXPECT_TRUE(dialogSeen) << "the check ran without the busy dialog";
    EXPECT_EQ(flow.endings(), 1) << "the press ended with the Cancel";
    EXPECT_FALSE(flow.lastSucceeded());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_FALSE(flow.busy());

    // The check ends on its own later (three unanswered probes of a second
    // each); nothing follows from it, whenever its end is handled.
    waitFor([] { return false; }, 4000);
    EXPECT_FALSE(flow.busy());
    EXPECT_EQ(flow.endings(), 1);
    EXPECT_FALSE(simulator->upgrade(0).complete);
    QFile::remove(package);
}

} // namespace
} // namespace lorvena
