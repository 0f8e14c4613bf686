// After "Zmiana IP", the changed device is looked for at its new settings
// through real sockets, inside the test's own loopback network namespace.

#include "network/SearchFixture.h"

#include "devsim/Ipv4Text.h"

#include <algorithm>

namespace lorvena {
namespace {

using devsim::SimulatedDevice;
using testing_support::makeDevice;

class ChangeVerify : public testing_support::SearchFixture {
protected:
    std::size_t rowOf(const std::string& ip)
    {
        for (std::size_t row = 0; row < table().rowCount(); ++row) {
            if (table().row(row).ip == ip)
                return row;
        }
        ADD_FAILURE() << ip << " not listed";
        return 0;
    }

    // Clicks the device's row, types the password and the new address,
    // presses "Zmiana IP".
    void change(const std::string& ip, const std::string& newIp)
    {
        controller->rowClicked(static_cast<int>(rowOf(ip)), ClickKind::Plain);
        view.form.passwordText = "12345";
        view.form.newIp = dottedToAddress(newIp);
        controller->applyChanges();
    }
};

SimulatedDevice recorder(const std::string& ip, std::uint8_t macLastByte, bool keepsAddress)
{
    SimulatedDevice device = makeDevice(ip, macLastByte);
    device.generations = {false, false, true}; // the extended exchange answers "accepted"
    device.kind = "NVR";
    device.typeCode = 610;
    device.mask = "255.0.0.0";
    device.gateway = "127.0.0.1";
    device.password = "12345";
    device.keepsAddress = keepsAddress;
    return device;
}

// The device that moved is confirmed: its row, in place, shows what it now
// reports. The one that said "accepted" but stayed is not seen: its row keeps
// its cells and says where it was expected. The list is never cleared.
TEST_F(ChangeVerify, AMovedDeviceIsConfirmedInPlaceAndOneThatStayedIsNotSeen)
{
    startDevices({recorder("127.0.0.5", 5, false), recorder("127.0.0.6", 6, true)});
    startTool(1, std::chrono::seconds(2));
    searchAndCollect(2);
    const std::size_t moving = rowOf("127.0.0.5"), staying = rowOf("127.0.0.6");
    const std::vector<std::string> stayingCells = [&] {
        std::vector<std::string> cells;
        for (std::size_t c = 0; c < table().columnCount(); ++c)
            cells.push_back(table().text(staying, static_cast<int>(c)));
        return cells;
    }();

    change("127.0.0.5", "127.0.0.50");
    change("127.0.0.6", "127.0.0.60");
    ASSERT_EQ(std::count(view.messages.begin(), view.messages.end(), "Zmiana zakończona powodzeniem"), 2);
    ASSERT_TRUE(pumpUntil([&] { return controller->verificationResults().size() == 2; }, std::chrono::seconds(10)));

    EXPECT_EQ(table().rowCount(), 2u);
    EXPECT_EQ(view.clears, 1) << "only the search cleared the list";
    EXPECT_EQ(table().check(moving).state, RowCheck::Confirmed);
    EXPECT_EQ(table().row(moving).ip, "127.0.0.50");
    EXPECT_NE(table().check(moving).note.find("127.0.0.50"), std::string::npos);
    EXPECT_TRUE(table().isDuplicate(DuplicateRule::SameMacAndIpInOneRow, table().row(moving).mac, "127.0.0.50"));

    EXPECT_EQ(table().check(staying).state, RowCheck::NotSeen);
    EXPECT_NE(table().check(staying).note.find("127.0.0.60"), std::string::npos);
    for (std::size_t c = 0; c < table().columnCount(); ++c)
        EXPECT_EQ(table().text(staying, static_cast<int>(c)), stayingCells[c]) << "column " << c;

    std::vector<std::size_t> updated = view.updatedRows;
    std::sort(updated.begin(), updated.end());
    EXPECT_EQ(updated, (std::vector<std::size_t> {std::min(moving, staying), std::max(moving, staying)}));
}

// Closing the window while a device is still looked for stops the search
// at once (the test's time limit is far below the wait) and reports
// nothing more.
TEST_F(ChangeVerify, ShutdownStopsALookStillUnderWay)
{
    startDevices({recorder("127.0.0.6", 6, true)});
    startTool(1, std::chrono::minutes(10));
    searchAndCollect(1);
    change("127.0.0.6", "127.0.0.60");
    ASSERT_EQ(controller->verificationsPending(), 1u);
    pumpFor(std::chrono::milliseconds(1500)); // a round or so has gone out
    controller->shutdownSearch();
    controller.reset();
    while (auto message = queue.take(std::chrono::milliseconds(0)))
        EXPECT_NE(message->id, MessageId::ChangeVerified);
}

} // namespace
} // namespace lorvena
