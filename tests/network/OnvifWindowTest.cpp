// The window's logic over the built-in ONVIF library and simulated devices
// of both kinds, on real sockets inside the test's loopback namespace: a
// new-generation search listing UDP and ONVIF devices together, and ONVIF
// changes through "Zmiana IP".

#include "network/SearchFixture.h"
#include "onvif/OnvifLab.h"

#include "control/OnvifLibrary.h"
#include "platform/LocalAddresses.h"
#include "sdk/onvif/OnvifSettings.h"

#include <map>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
namespace sim = devsim::onvif;
using testing_support::makeDevice;

// A safety net for waits that end long before it, not a measurement.
constexpr auto safetyNet = 20s;

class OnvifWindow : public testing_support::SearchFixture {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(onvif::testing::EnableLoopbackMulticast(error)) << error;
    }

    void TearDown() override
    {
        // The controller's clean-up waits for the library's threads.
        controller.reset();
        if (onvifDevices)
            onvifDevices->stop();
        SearchFixture::TearDown();
        onvif::SetOnvifSettings({});
    }

    void startOnvifDevices(std::vector<sim::OnvifDeviceConfig> devices)
    {
        sim::OnvifSimulatorOptions options;
        options.maxProbeDelay = 100ms;
        onvifDevices = std::make_unique<sim::OnvifSimulator>(std::move(devices), options);
        std::string error;
        ASSERT_TRUE(onvifDevices->start(error)) << error;
    }

    void startTool()
    {
        MainController::Dependencies dependencies {view, queue, localIpv4Addresses};
        dependencies.onvifLibrary = &builtInOnvifLibrary();
        dependencies.onvifSearchPause = 100ms;
        controller = std::make_unique<MainController>(1, dependencies);
        controller->initialise();
        // After the window has set the product's waits: short ones here.
        onvif::SetOnvifSettings(onvif::testing::ShortTestSettings());
        // The busy dialog: the window keeps handling messages until the
        // library's end closes it.
        view.onBusyDialog = [this] {
            std::size_t before = view.busyEnds.size();
            rowsWhenEnded.reset();
            bool ended = pumpUntil([&] { return view.busyEnds.size() > before; }, safetyNet);
            EXPECT_TRUE(ended) << "the end of the ONVIF discovery never came";
            rowsWhenEnded = table().rowCount();
            return ended ? view.busyEnds.back() : 2;
        };
    }

    static sim::OnvifDeviceConfig onvifDevice(const std::string& address, std::uint16_t port)
    {
        sim::OnvifDeviceConfig config;
        config.address = address;
        config.httpPort = port;
        config.name = "Kamera " + address;
        config.password = "haslo";
        return config;
    }

    std::map<std::string, const DeviceRecord*> rowsByIp() const
    {
        std::map<std::string, const DeviceRecord*> rows;
        for (std::size_t r = 0; r < table().rowCount(); ++r)
            rows[table().row(r).ip] = &table().row(r);
        return rows;
    }

    // Clicks the row of `ip` and fills the form as a user would.
    void clickAndFill(const std::string& ip, std::uint32_t newIp, const std::string& password)
    {
        auto rows = rowsByIp();
        ASSERT_TRUE(rows.contains(ip)) << ip << " is not listed";
        for (std::size_t r = 0; r < table().rowCount(); ++r) {
            if (table().row(r).ip == ip)
                controller->rowClicked(static_cast<int>(r), ClickKind::Plain);
        }
        view.form.newIp = newIp;
        view.form.netMask = 0xFF000000;  // 255.0.0.0: the device told none
        view.form.gateway = 0x7F000001;  // 127.0.0.1
        view.form.passwordText = password;
    }

    OnvifChangeStep step() { return controller->configurationChange().onvifStep(); }

    std::unique_ptr<sim::OnvifSimulator> onvifDevices;
    std::optional<std::size_t> rowsWhenEnded;
};

TEST_F(OnvifWindow, ASearchListsUdpAndOnvifDevicesOnceEach)
{
    devsim::SimulatedDevice camera = makeDevice("127.0.0.20", 0x20);
    camera.typeCode = 300;
    // Its MAC is the MAC key of the ONVIF device at 127.0.0.30 below: the
    // character codes of "0012AB".
    devsim::SimulatedDevice recorder = makeDevice("127.0.0.31", 0x31);
    recorder.mac = {0x30, 0x30, 0x31, 0x32, 0x41, 0x42};
    recorder.macText = "30:30:31:32:41:42";
    recorder.typeCode = 300;
    startDevices({camera, recorder});

    sim::OnvifDeviceConfig sameAddress = onvifDevice("127.0.0.20", 8080);
    sim::OnvifDeviceConfig sameMacKey = onvifDevice("127.0.0.30", 8080);
    sameMacKey.anonymousReads = true; // so the search learns its MAC
    sameMacKey.macAddress = "00:12:AB:34:CD:56";
    sim::OnvifDeviceConfig onvifOnly = onvifDevice("127.0.0.40", 8081);
    onvifOnly.anonymousReads = true;
    onvifOnly.prefixLength = 16;
    onvifOnly.gateway = "127.0.0.1";
    onvifOnly.dns = "127.0.0.53";
    startOnvifDevices({sameAddress, sameMacKey, onvifOnly});
    startTool();

    controller->search();
    EXPECT_EQ(view.busyPictures, (std::vector<MainView::BusyPicture> {MainView::BusyPicture::Searching}));
    // Every row was there when the end closed the dialog: they came while
    // it waited.
    EXPECT_EQ(rowsWhenEnded, 3u);
    pumpFor(300ms);
    auto rows = rowsByIp();
    std::string listedRows;
    for (const auto& [ip, row] : rows)
        listedRows += ip + " " + row->mac + " " + row->typeCode + "\n";
    ASSERT_EQ(rows.size(), 3u) << listedRows;
    EXPECT_EQ(rows["127.0.0.20"]->kind, "IPCAMERA") << "the UDP device keeps its row";
    EXPECT_EQ(rows["127.0.0.31"]->kind, "IPCAMERA");
    ASSERT_TRUE(rows.contains("127.0.0.40"));
    const DeviceRecord& onvifRow = *rows["127.0.0.40"];
    EXPECT_EQ(onvifRow.kind, "");
    EXPECT_EQ(onvifRow.name, "Kamera 127.0.0.40");
    EXPECT_EQ(onvifRow.mask, "255.255.0.0");
    EXPECT_EQ(onvifRow.gateway, "127.0.0.1");
    EXPECT_EQ(onvifRow.dns, "127.0.0.53");
    EXPECT_EQ(onvifRow.mac, "024F4E000001");
    EXPECT_EQ(onvifRow.httpPort, "8081");
    EXPECT_EQ(onvifRow.rtspPort, "8081");
    EXPECT_EQ(onvifRow.dhcp, "Nieaktywne");
    EXPECT_EQ(onvifRow.typeCode, "900");
}

TEST_F(OnvifWindow, ADeviceWithASkewedClockIsLoggedIntoAndMoved)
{
    sim::OnvifDeviceConfig skewed = onvifDevice("127.0.0.40", 8080);
    skewed.clockOffset = 3h;
    sim::OnvifDeviceConfig other = onvifDevice("127.0.0.50", 8080);
    startOnvifDevices({skewed, other});
    startTool();
    controller->search();
    pumpFor(100ms);

    clickAndFill("127.0.0.40", 0x7F000029 /* 127.0.0.41 */, "haslo");
    controller->applyChanges();
    EXPECT_TRUE(pumpUntil([&] { return step() != OnvifChangeStep::LoginPending
                                    && step() != OnvifChangeStep::ChangePending; }, safetyNet));
    EXPECT_EQ(step(), OnvifChangeStep::Accepted);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(onvifDevices->devices()[0].servingAddress, "127.0.0.41");

    // A wrong password: silent, nothing changes.
    clickAndFill("127.0.0.50", 0x7F000033 /* 127.0.0.51 */, "Haslo");
    controller->applyChanges();
    EXPECT_TRUE(pumpUntil([&] { return step() != OnvifChangeStep::LoginPending; }, safetyNet));
    EXPECT_EQ(step(), OnvifChangeStep::LoginFailed);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(onvifDevices->devices()[1].servingAddress, "127.0.0.50");

    // The next search finds the moved device at its new address.
    controller->search();
    pumpFor(100ms);
    auto rows = rowsByIp();
    EXPECT_TRUE(rows.contains("127.0.0.41"));
    EXPECT_FALSE(rows.contains("127.0.0.40"));
    EXPECT_TRUE(rows.contains("127.0.0.50"));
}

} // namespace
} // namespace lorvena
