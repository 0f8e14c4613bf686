// Devices answering at one address, as the window shows them after a real
// search of simulated devices (in the test's own loopback namespace).

#include "ui/CTavrinDlg.h"

#include "controls/CIpAddressEdit.h"
#include "controls/CPngButton.h"
#include "controls/CSortListCtrl.h"
#include "devsim/Ipv4Text.h"
#include "ui/SearchedWindow.h"

#include <QBrush>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

class AddressConflictWindowTest : public testing_support::SearchedWindowTest {
protected:
    void addDevice(const std::string& ip, std::uint8_t last, const std::string& name)
    {
        devsim::SimulatedDevice device;
        device.generations = {false, false, true}; // extended replies: one row per MAC at an address
        device.kind = "NVR";
        device.name = name;
        device.ip = *devsim::parseIpv4(ip);
        device.mask = "255.0.0.0";
        device.gateway = "127.0.0.1";
        device.dns = "127.0.0.1";
        device.mac = {0, 0x12, 0, 0, 0, last};
        device.macText = "00:12:00:00:00:0" + std::to_string(last);
        device.typeCode = 610;
        device.password = "12345";
        devices.push_back(device);
    }

    void openAndSearch() { SearchedWindowTest::openAndSearch(devices, static_cast<int>(devices.size())); }

    // The row showing the device with `mac`.
    int rowOf(const QString& mac)
    {
        CSortListCtrl* list = window->deviceList();
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->cellText(row, 8) == mac)
                return row;
        }
        return -1;
    }

    std::vector<devsim::SimulatedDevice> devices;
};

// Two devices at one address get the warning colour in every cell and a
// tooltip naming the other; a device alone at its address gets neither. A
// sort takes the marks along with the devices.
TEST_F(AddressConflictWindowTest, DevicesSharingAnAddressAreMarkedAndNameEachOther)
{
    LORVENA_REQUIRE_NAMESPACE();
    addDevice("127.0.0.5", 1, "Pierwszy");
    addDevice("127.0.0.5", 2, "Drugi");
    addDevice("127.0.0.6", 3, "Sam");
    openAndSearch();
    CSortListCtrl* list = window->deviceList();

    struct Case {
        const char* mac;
        const char* tip; // empty: no conflict
    } cases[] = {
        {"00:12:00:00:00:01", "Konflikt adresu IP: 00:12:00:00:00:02 Drugi"},
        {"00:12:00:00:00:02", "Konflikt adresu IP: 00:12:00:00:00:01 Pierwszy"},
        {"00:12:00:00:00:03", ""},
    };
    auto marksAreRight = [&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.mac);
            const int row = rowOf(QString::fromLatin1(c.mac));
            ASSERT_GE(row, 0);
            for (int column : {0, 4, 13}) {
                const QModelIndex cell = list->model()->index(row, column);
                EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), QString::fromUtf8(c.tip)) << "column " << column;
                const bool warned = cell.data(Qt::BackgroundRole).value<QBrush>().color()
                    == CSortListCtrl::conflictColour();
                EXPECT_EQ(warned, *c.tip != '\0') << "column " << column;
            }
        }
    };
    marksAreRight();
    controller->headerClicked(8); // by MAC
    controller->headerClicked(8); // and back: every row has moved
    marksAreRight();
}

// "Zmiana IP" onto the address of another listed device asks first; Cancel
// leaves the device where it is, OK moves it.
TEST_F(AddressConflictWindowTest, AChangeOntoAListedDevicesAddressAsksFirst)
{
    LORVENA_REQUIRE_NAMESPACE();
    addDevice("127.0.0.5", 1, "Pierwszy");
    addDevice("127.0.0.6", 2, "Drugi");
    openAndSearch();
    CSortListCtrl* list = window->deviceList();
    const int row = rowOf(QStringLiteral("00:12:00:00:00:01"));
    ASSERT_GE(row, 0);
    const std::uint32_t taken = 0x7F000006u; // 127.0.0.6, the other device's
    const QString question = QStringLiteral("Adres IP 127.0.0.6 jest już używany. Czy na pewno wprowadzić zmianę?");
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        answerOk = ok;
        questions.clear();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
            list->visualRect(list->model()->index(row, 2)).center());
        static_cast<QLineEdit*>(window->control(ControlId::Password))->setText(QStringLiteral("12345"));
        static_cast<CIpAddressEdit*>(window->control(ControlId::NewIp))->setAddress(taken);
        clickButton(ControlId::ApplyChanges);
        EXPECT_EQ(questions, QStringList {question});
        EXPECT_EQ(simulator->device(0).ip == taken, ok);
    }
}

} // namespace
} // namespace lorvena
