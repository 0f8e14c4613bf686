#pragma once

#include "onvif/OnvifSimulator.h"
#include "sdk/onvif/OnvifAccess.h"
#include "sdk/onvif/OnvifSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lorvena::onvif::testing {

// The library's waits for tests: short, but long enough for a loaded
// machine; the mask mode sweeps the loopback subnet too.
OnvifSettings ShortTestSettings(std::chrono::milliseconds searchWait = std::chrono::milliseconds(1500));

// Inside the test's loopback namespace: multicast on lo and a route for the
// multicast range through it, so that the discovery group works there.
bool EnableLoopbackMulticast(std::string& error);

// What a search's routine received.
class SearchRecorder {
public:
    static int32_t routine(const OnvifDeviceRecord* record, void* user);

    // False when the end did not come within `limit` (a safety net, not a
    // measurement: the search's own wait is far shorter).
    bool waitForEnd(std::chrono::milliseconds limit);
    bool waitForRecords(std::size_t count, std::chrono::milliseconds limit);
    std::vector<OnvifDeviceRecord> records() const;
    int ends() const;
    std::size_t calls() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<OnvifDeviceRecord> records_;
    int ends_ = 0;
};

// What a login's notification routine received.
class LoginRecorder {
public:
    static void notify(int32_t handle, int32_t eventCode, const void* eventData, void* userContext);

    bool waitForEvent(std::chrono::milliseconds limit);
    std::vector<std::pair<int32_t, int32_t>> events() const; // (handle, code)

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int32_t, int32_t>> events_;
};

// Simulated devices at 127.0.0.x, short library timings, clean-up of the
// library after each test.
class OnvifLabTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator (failing the test when it cannot).
    void startDevices(std::vector<devsim::onvif::OnvifDeviceConfig> devices);
    static devsim::onvif::OnvifDeviceConfig device(const std::string& address, std::uint16_t port);
    static OnvifLoginRecord loginRecord(const std::string& address, int port, const char* password, LoginRecorder& recorder);
    bool logHas(const std::string& line) const;

    std::unique_ptr<devsim::onvif::OnvifSimulator> simulator;
    std::vector<devsim::onvif::OnvifChangeEvent> changes; // written on the simulator's thread
    mutable std::mutex changesMutex;
};

} // namespace lorvena::onvif::testing
