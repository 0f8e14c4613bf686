// The ONVIF leg of a new-generation search, and the rows of ONVIF devices.

#include "control/OnvifControllerFixture.h"

namespace lorvena {
namespace {

using testing_support::OnvifControllerTest;
using testing_support::OnvifDevice;
using testing_support::recordOf;
using Calls = std::vector<std::string>;

TEST_F(OnvifControllerTest, TheLibraryStartsWithTheWindowAndIsCleanedUpLast)
{
    start();
    EXPECT_EQ(library.takeCalls(), (Calls {"startup", "setWaitTime 5 0 10"}));
    controller.reset();
    // No login was held: nothing to log out.
    EXPECT_EQ(library.takeCalls(), (Calls {"cleanup"}));
}

TEST_F(OnvifControllerTest, DevicesAppearWhileTheDialogWaitsAndTheEndClosesIt)
{
    start();
    library.takeCalls();
    std::size_t rowsWhileWaiting = 0;
    busyDialogPlays([&] {
        library.found(recordOf({.ip = "10.1.0.20"}));
        deliver();
        rowsWhileWaiting = controller->table().rowCount();
        library.found(recordOf({.ip = "10.1.0.21"}));
        library.searchEnded();
    });
    controller->search();

    EXPECT_EQ(rowsWhileWaiting, 1u);
    EXPECT_EQ(controller->table().rowCount(), 2u);
    EXPECT_EQ(view.busyPictures, (std::vector<MainView::BusyPicture> {MainView::BusyPicture::Searching}));
    // Ended by the library with the last busy result (none yet: 0), so the
    // discovery, over anyway, is not stopped.
    EXPECT_EQ(view.busyEnds, (std::vector<int> {0}));
    EXPECT_EQ(library.takeCalls(), (Calls {"start 0"}));
    EXPECT_EQ(controller->state().busyResult, 0);
}

TEST_F(OnvifControllerTest, TheMaskBoxAsksForTheSubnetSweep)
{
    for (bool ticked : {false, true}) {
        SCOPED_TRACE(ticked ? "ticked" : "not ticked");
        start();
        library.takeCalls();
        view.checked[ControlId::OnvifMaskCheck] = ticked;
        busyDialogPlays([&] { library.searchEnded(); });
        controller->search();
        EXPECT_EQ(library.takeCalls().front(), ticked ? "start 1" : "start 0");
        controller.reset();
    }
}

TEST_F(OnvifControllerTest, CancelStopsTheDiscoveryAndLateDevicesAreStillListed)
{
    start();
    library.takeCalls();
    busyDialogPlays([&] { library.found(recordOf({.ip = "10.1.0.20"})); });
    controller->search();
    EXPECT_EQ(library.takeCalls(), (Calls {"start 0", "stop 7"}));
    EXPECT_EQ(controller->state().busyResult, 2);
    EXPECT_EQ(controller->table().rowCount(), 1u);

    // A record already on its way when the dialog closed, then an end that
    // finds no dialog.
    library.found(recordOf({.ip = "10.1.0.21"}));
    library.searchEnded();
    deliver();
    EXPECT_EQ(controller->table().rowCount(), 2u);
    EXPECT_TRUE(view.busyEnds.empty());
}

TEST_F(OnvifControllerTest, AfterACancelTheNextDiscoveryEndsAsCancelledToo)
{
    // The end gives the dialog the result of the dialog before it, so a
    // search after a cancelled one stops its (finished) discovery as well.
    start();
    busyDialogPlays([] {});
    controller->search();
    library.takeCalls();

    busyDialogPlays([&] {
        library.found(recordOf({.ip = "10.1.0.20"}));
        library.searchEnded();
    });
    controller->search();
    EXPECT_EQ(view.busyEnds, (std::vector<int> {2}));
    EXPECT_EQ(library.takeCalls(), (Calls {"start 0", "stop 7"}));
    EXPECT_EQ(controller->table().rowCount(), 1u);
}

TEST_F(OnvifControllerTest, ADiscoveryThatDidNotStartWaitsForCancelAndStopsNothing)
{
    start();
    library.takeCalls();
    library.searchHandle = 0;
    busyDialogPlays([] {});
    controller->search();
    EXPECT_EQ(view.busyPictures.size(), 1u);
    EXPECT_EQ(library.takeCalls(), (Calls {"start 0"}));
}

TEST_F(OnvifControllerTest, TheOldGenerationHasNoOnvifLeg)
{
    start(0);
    library.takeCalls();
    controller->search();
    listed({{.ip = "10.1.0.20"}});
    EXPECT_TRUE(library.takeCalls().empty());
    EXPECT_TRUE(view.busyPictures.empty());
    EXPECT_EQ(controller->table().rowCount(), 0u);
}

TEST_F(OnvifControllerTest, AnOnvifRowShowsTheRecordsFields)
{
    start();
    listed({{.ip = "192.168.1.108", .mac = "0012AB34CD56", .name = "Kamera wejście", .mask = "255.255.0.0",
        .gateway = "192.168.1.1", .dns = "8.8.8.8", .type = 910, .port = 8080, .channels = 4, .dhcp = 1}});
    ASSERT_EQ(controller->table().rowCount(), 1u);
    const DeviceRecord& device = row(0);
    EXPECT_EQ(device.number, "1");
    EXPECT_EQ(device.kind, "");
    EXPECT_EQ(device.name, "Kamera wejście");
    EXPECT_EQ(device.firmware, "");
    EXPECT_EQ(device.ip, "192.168.1.108");
    EXPECT_EQ(device.mask, "255.255.0.0");
    EXPECT_EQ(device.gateway, "192.168.1.1");
    EXPECT_EQ(device.dns, "8.8.8.8");
    EXPECT_EQ(device.mac, "0012AB34CD56");
    // One port, shown in both columns.
    EXPECT_EQ(device.httpPort, "8080");
    EXPECT_EQ(device.rtspPort, "8080");
    EXPECT_EQ(device.channels, "4");
    EXPECT_EQ(device.dhcp, "Aktywne");
    EXPECT_EQ(device.typeCode, "910");
}

TEST_F(OnvifControllerTest, CellsThatDependOnTheirValue)
{
    struct Case {
        const char* name;
        OnvifDevice device;
        std::string mac, dhcp, port;
    } cases[] = {
        {"twelve digits", {.mac = "0012AB34CD56"}, "0012AB34CD56", "Nieaktywne", "80"},
        {"fourteen characters fit", {.mac = "0012AB34CD56EF"}, "0012AB34CD56EF", "Nieaktywne", "80"},
        {"fifteen do not", {.mac = "0012AB34CD56EF0"}, "", "Nieaktywne", "80"},
        {"separators make it too long", {.mac = "00:12:AB:34:CD:56"}, "", "Nieaktywne", "80"},
        {"no MAC", {.mac = ""}, "", "Nieaktywne", "80"},
        {"DHCP flag 2 is off", {.dhcp = 2}, "0012AB34CD56", "Nieaktywne", "80"},
        {"a negative port as a signed number", {.port = -1}, "0012AB34CD56", "Nieaktywne", "-1"},
    };
    start();
    int host = 1;
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.device.ip = "10.9.0." + std::to_string(host++);
        listed({c.device});
        const DeviceRecord& device = row(controller->table().rowCount() - 1);
        ASSERT_EQ(device.ip, c.device.ip);
        EXPECT_EQ(device.mac, c.mac);
        EXPECT_EQ(device.dhcp, c.dhcp);
        EXPECT_EQ(device.httpPort, c.port);
        EXPECT_EQ(device.rtspPort, c.port);
    }
}

TEST_F(OnvifControllerTest, ADeviceListedAtTheSameAddressIsNotListedAgain)
{
    start();
    listed({{.ip = "10.1.0.20", .mac = "0012AB000001", .name = "A"},
        {.ip = "10.1.0.20", .mac = "0012AB000002", .name = "same address"},
        // The MAC key of this one is "30:30:31:32:41:42": no listed MAC text.
        {.ip = "10.1.0.21", .mac = "0012AB000001", .name = "same MAC text"},
        {.ip = "10.1.0.200", .name = "B"}});
    ASSERT_EQ(controller->table().rowCount(), 3u);
    EXPECT_EQ(row(0).name, "A");
    EXPECT_EQ(row(1).name, "same MAC text");
    EXPECT_EQ(row(2).name, "B");
    EXPECT_EQ(row(2).number, "3");
}

} // namespace
} // namespace lorvena
