#pragma once

#include "control/FakeMainView.h"
#include "control/MainController.h"
#include "devsim/Simulator.h"
#include "platform/MessageQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace lorvena::testing_support {

// Records what the controller tells its view about the list.
class RecordingView final : public FakeMainView {
public:
    void tableCleared() override { ++clears; }
    void rowAppended(std::size_t row) override { appendedRows.push_back(row); }

    int clears = 0;
    std::vector<std::size_t> appendedRows;
};

// The tool (controller with its receivers) and simulated devices, both inside
// the test's loopback namespace. The test thread plays the window's thread.
class SearchFixture : public testing::Test {
protected:
    void TearDown() override;

    void startDevices(std::vector<devsim::SimulatedDevice> devices);
    // `verifyWait`: how long a changed device is looked for.
    void startTool(int searchMode, std::chrono::milliseconds verifyWait = std::chrono::seconds(15));

    // Hands posted messages to the controller until `done` holds or `limit`
    // passes; returns whether `done` held.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Hands posted messages to the controller for `duration`: lets replies
    // that should not be listed arrive, so that their absence means something.
    void pumpFor(std::chrono::milliseconds duration);
    // Searches and waits until `rows` rows are listed, then a little longer.
    void searchAndCollect(std::size_t rows);

    const DeviceTable& table() const { return controller->table(); }

    MessageQueue queue;
    RecordingView view;
    std::unique_ptr<devsim::Simulator> simulator;
    std::unique_ptr<MainController> controller;
};

// A device with every field set to something recognisable.
devsim::SimulatedDevice makeDevice(const std::string& ip, std::uint8_t macLastByte);

} // namespace lorvena::testing_support
