#pragma once

// The window's logic with a scripted ONVIF library and a scripted view: the
// messages the library's routines post go through the same queue the
// window's loop drains, and the test drains it.

#include "control/FakeMainView.h"
#include "control/FakeOnvifLibrary.h"
#include "control/MainController.h"
#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lorvena::testing_support {

// One device as the library reports it.
// (Every member has an initializer: tests name only the fields they need.)
struct OnvifDevice {
    std::string ip {};
    std::string mac = "0012AB34CD56";
    std::string name = "Kamera";
    std::string mask = "255.255.255.0";
    std::string gateway {};
    std::string dns {};
    std::int32_t type = 950;
    std::int32_t port = 80;
    std::int32_t channels = 0;
    std::uint8_t dhcp = 0;
};

// The library's record, built at literal offsets (independently of the
// parser's constants); integers in this machine's byte order.
inline OnvifDeviceRecord recordOf(const OnvifDevice& device)
{
    std::vector<std::uint8_t> bytes(1192, 0);
    auto text = [&](std::size_t at, std::size_t size, const std::string& value) {
        std::memcpy(bytes.data() + at, value.data(), std::min(value.size(), size));
    };
    auto number = [&](std::size_t at, std::int32_t value) { std::memcpy(bytes.data() + at, &value, sizeof value); };
    number(4, device.type);
    text(8, 16, device.mac);
    text(24, 16, device.mask);
    text(40, 16, device.gateway);
    text(56, 64, device.name);
    text(120, 1024, device.ip);
    number(1144, device.port);
    text(1148, 32, device.dns);
    number(1180, device.channels);
    bytes[1184] = device.dhcp;
    OnvifDeviceRecord record;
    static_assert(sizeof record == 1192);
    std::memcpy(&record, bytes.data(), sizeof record);
    return record;
}

class OnvifControllerTest : public testing::Test {
protected:
    void TearDown() override { controller.reset(); }

    // No local addresses: no datagram leaves these tests; the library is
    // the scripted one.
    MainController& start(int searchMode = 1)
    {
        controller = std::make_unique<MainController>(searchMode,
            MainController::Dependencies {
                .view = view,
                .poster = queue,
                .addresses = [] { return std::vector<std::uint32_t> {}; },
                .onvifLibrary = &library,
                .onvifSearchPause = std::chrono::milliseconds(0),
            });
        controller->initialise();
        return *controller;
    }

    // What the window's loop does with the posted messages.
    void deliver()
    {
        while (auto message = queue.tryTake())
            controller->handleMessage(*message);
    }

    // Plays the modal busy dialog of a search: the library works while it
    // is shown (`whileShown`), the window handles what was posted, and the
    // dialog returns what ended it - or 2, the user's Cancel, when nothing did.
    void busyDialogPlays(std::function<void()> whileShown)
    {
        view.onBusyDialog = [this, whileShown] {
            std::size_t endsBefore = view.busyEnds.size();
            whileShown();
            deliver();
            return view.busyEnds.size() > endsBefore ? view.busyEnds.back() : 2;
        };
    }

    // Plays the busy dialog of a batch, whose worker runs meanwhile: the
    // window handles messages until the worker ends the dialog.
    void batchDialogPlays()
    {
        view.onBusyDialog = [this] {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < deadline) {
                {
                    std::lock_guard lock(view.guiMutex);
                    if (!view.busyEnds.empty())
                        return view.busyEnds.back();
                }
                if (auto message = queue.take(std::chrono::milliseconds(20))) {
                    std::lock_guard lock(view.guiMutex);
                    controller->handleMessage(*message);
                }
            }
            ADD_FAILURE() << "the batch never ended its busy dialog";
            return 2;
        };
    }

    // Lists `devices` as if a search had found them.
    void listed(const std::vector<OnvifDevice>& devices)
    {
        for (const OnvifDevice& device : devices) {
            OnvifDeviceRecord record = recordOf(device);
            queue.post({MessageId::OnvifDevice, 1, 0,
                std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&record),
                    reinterpret_cast<const std::uint8_t*>(&record) + sizeof record)});
        }
        deliver();
    }

    const DeviceRecord& row(std::size_t index) const { return controller->table().row(index); }

    FakeMainView view;
    MessageQueue queue;
    FakeOnvifLibrary library;
    std::unique_ptr<MainController> controller;
};

} // namespace lorvena::testing_support
