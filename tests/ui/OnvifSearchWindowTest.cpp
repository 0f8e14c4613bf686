// The window of the new generation over the built-in ONVIF library, on Qt's
// offscreen platform, with simulated UDP and ONVIF devices in the test's
// loopback namespace: "Wyszukaj" runs the busy dialog until the discovery
// ends, Cancel in it stops the discovery, and "Zmiana IP" moves an ONVIF
// device without a message box.

#include "ui/CTavrinDlg.h"

#include "control/MainController.h"
#include "control/OnvifLibrary.h"
#include "controls/CDlgBuffer.h"
#include "controls/CIpAddressEdit.h"
#include "controls/CPngButton.h"
#include "controls/CSortListCtrl.h"
#include "devsim/Ipv4Text.h"
#include "devsim/Simulator.h"
#include "onvif/OnvifLab.h"
#include "platform/LocalAddresses.h"
#include "sdk/onvif/OnvifSettings.h"
#include "ui/QtMessagePoster.h"
#include "ui/UiTestEnvironment.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using enum ControlId;
namespace sim = devsim::onvif;

class OnvifSearchWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        LORVENA_REQUIRE_NAMESPACE();
        std::string error;
        ASSERT_TRUE(onvif::testing::EnableLoopbackMulticast(error)) << error;
    }

    void TearDown() override
    {
        if (controller)
            controller->shutdownSearch();
        controller.reset();
        if (onvifDevices)
            onvifDevices->stop();
        if (udpDevices)
            udpDevices->stop();
        onvif::SetOnvifSettings({});
    }

    void startDevices(std::vector<sim::OnvifDeviceConfig> onvif)
    {
        devsim::SimulatedDevice camera;
        camera.kind = "IPCAMERA";
        camera.name = "Kamera UDP";
        camera.ip = *devsim::parseIpv4("127.0.0.20");
        camera.mask = "255.0.0.0";
        camera.gateway = "127.0.0.1";
        camera.dns = "127.0.0.1";
        camera.mac = {0, 0x12, 0, 0, 0, 0x20};
        camera.macText = "00:12:00:00:00:20";
        camera.typeCode = 300;
        udpDevices = std::make_unique<devsim::Simulator>(std::vector {camera}, devsim::SimulatorOptions {});
        std::string error;
        ASSERT_TRUE(udpDevices->start(error)) << error;

        sim::OnvifSimulatorOptions options;
        options.maxProbeDelay = 100ms;
        onvifDevices = std::make_unique<sim::OnvifSimulator>(std::move(onvif), options);
        ASSERT_TRUE(onvifDevices->start(error)) << error;
    }

    static sim::OnvifDeviceConfig onvifDevice(const std::string& address)
    {
        sim::OnvifDeviceConfig config;
        config.address = address;
        config.httpPort = 8080;
        config.name = "Kamera " + address;
        config.password = "haslo";
        config.anonymousReads = true;
        return config;
    }

    static void setSearchWait(std::chrono::milliseconds wait)
    {
        onvif::SetOnvifSettings(onvif::testing::ShortTestSettings(wait));
    }

    void open()
    {
        window = std::make_unique<CTavrinDlg>(QStringLiteral(LORVENA_TEST_SKIN_DIR), 1);
        poster = std::make_unique<QtMessagePoster>(window.get());
        MainController::Dependencies dependencies {*window, *poster, localIpv4Addresses};
        dependencies.onvifLibrary = &builtInOnvifLibrary();
        dependencies.onvifSearchPause = 100ms;
        controller = std::make_unique<MainController>(1, dependencies);
        window->attach(*controller);
        window->setMessageSink([this](const QString& text) { messages << text; });
        controller->initialise();
        window->show();
        setSearchWait(1500ms); // after initialise(), which sets the product's
    }

    void clickButton(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center()); }

    // "Wyszukaj" returns when the busy dialog has ended. `whileBusy` runs
    // once the dialog shows, inside its modal loop.
    void search(const std::function<void()>& whileBusy = {})
    {
        auto watcher = std::make_unique<QTimer>();
        bool seen = false;
        rowsWhileBusy = 0;
        QObject::connect(watcher.get(), &QTimer::timeout, [&] {
            if (!window->busyDialog()->isVisible())
                return;
            rowsWhileBusy = std::max(rowsWhileBusy, window->deviceList()->rowCount());
            if (!seen && whileBusy)
                whileBusy();
            seen = true;
        });
        watcher->start(20);
        clickButton(window->control(Search));
        EXPECT_TRUE(seen) << "no busy dialog during the ONVIF discovery";
        EXPECT_FALSE(window->busyDialog()->isVisible());
    }

    bool waitFor(const std::function<bool()>& done, int milliseconds = 20000)
    {
        return testing_support::pumpUntil(done, milliseconds);
    }

    int rowOf(const QString& ip) const
    {
        CSortListCtrl* list = window->deviceList();
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->cellText(row, 4) == ip)
                return row;
        }
        return -1;
    }

    QString cell(const QString& ip, int column) const { return window->deviceList()->cellText(rowOf(ip), column); }

    std::unique_ptr<devsim::Simulator> udpDevices;
    std::unique_ptr<sim::OnvifSimulator> onvifDevices;
    std::unique_ptr<CTavrinDlg> window;
    std::unique_ptr<QtMessagePoster> poster;
    std::unique_ptr<MainController> controller;
    QStringList messages;
    int rowsWhileBusy = 0;
};

TEST_F(OnvifSearchWindowTest, ASearchWaitsForTheDiscoveryAndListsBothKinds)
{
    startDevices({onvifDevice("127.0.0.20"), onvifDevice("127.0.0.40")});
    open();
    search();

    // Rows came while the dialog waited; the ONVIF device at the UDP
    // device's address did not take its row.
    EXPECT_GE(rowsWhileBusy, 1);
    ASSERT_TRUE(waitFor([&] { return window->deviceList()->rowCount() == 2; }));
    EXPECT_EQ(cell("127.0.0.20", 1), "IPCAMERA");
    ASSERT_NE(rowOf("127.0.0.40"), -1);
    EXPECT_EQ(cell("127.0.0.40", 1), "");
    EXPECT_EQ(cell("127.0.0.40", 2), "Kamera 127.0.0.40");
    EXPECT_EQ(cell("127.0.0.40", 13), "900");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(OnvifSearchWindowTest, CancelEndsTheWaitAndTheNextSearchStillWorks)
{
    startDevices({onvifDevice("127.0.0.40")});
    open();
    setSearchWait(60s); // only Cancel can end this one in time
    search([&] { clickButton(window->busyDialog()->cancelButton()); });

    setSearchWait(1500ms);
    search(); // starts with an empty list

    EXPECT_TRUE(waitFor([&] { return rowOf("127.0.0.40") != -1; }));
}

TEST_F(OnvifSearchWindowTest, ZmianaIpMovesAnOnvifDeviceThatTheNextSearchShows)
{
    sim::OnvifDeviceConfig skewed = onvifDevice("127.0.0.40");
    skewed.clockOffset = 3h; // the login signs with the device's clock
    startDevices({skewed});
    open();
    search();
    ASSERT_TRUE(waitFor([&] { return rowOf("127.0.0.40") != -1; }));

    CSortListCtrl* list = window->deviceList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(rowOf("127.0.0.40"), 2)).center());
    static_cast<QLineEdit*>(window->control(Password))->setText(QStringLiteral("haslo"));
    static_cast<CIpAddressEdit*>(window->control(NewIp))->setAddress(0x7F000029u); // 127.0.0.41
    static_cast<CIpAddressEdit*>(window->control(NetMask))->setAddress(0xFF000000u);
    static_cast<CIpAddressEdit*>(window->control(Gateway))->setAddress(0x7F000001u);
    clickButton(window->control(ApplyChanges));
    EXPECT_TRUE(waitFor([&] { return onvifDevices->devices()[0].servingAddress == "127.0.0.41"; }));
    EXPECT_TRUE(messages.isEmpty()) << "the ONVIF path shows no message box: " << messages.join('\n').toStdString();

    search();
    EXPECT_TRUE(waitFor([&] { return rowOf("127.0.0.41") != -1; }));
    EXPECT_EQ(rowOf("127.0.0.40"), -1);
}

} // namespace
} // namespace lorvena
