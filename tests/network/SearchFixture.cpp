#include "network/SearchFixture.h"

#include "devsim/Ipv4Text.h"
#include "platform/LocalAddresses.h"

namespace lorvena::testing_support {

namespace {
// Long enough for every reply to arrive on a loaded machine; short enough
// that a reply which must not be listed would have been listed by then.
constexpr std::chrono::milliseconds settleTime {300};
} // namespace

void SearchFixture::TearDown()
{
    if (controller)
        controller->shutdownSearch();
    if (simulator)
        simulator->stop();
}

void SearchFixture::startDevices(std::vector<devsim::SimulatedDevice> devices)
{
    simulator = std::make_unique<devsim::Simulator>(std::move(devices), devsim::SimulatorOptions {});
    std::string error;
    ASSERT_TRUE(simulator->start(error)) << error;
}

void SearchFixture::startTool(int searchMode, std::chrono::milliseconds verifyWait)
{
    MainController::Dependencies dependencies {view, queue, localIpv4Addresses};
    dependencies.verifyWait = verifyWait;
    controller = std::make_unique<MainController>(searchMode, std::move(dependencies));
    controller->initialise();
}

bool SearchFixture::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        if (auto message = queue.take(std::min(left, std::chrono::milliseconds(50))))
            controller->handleMessage(*message);
    }
    return true;
}

void SearchFixture::pumpFor(std::chrono::milliseconds duration)
{
    pumpUntil([] { return false; }, duration);
}

void SearchFixture::searchAndCollect(std::size_t rows)
{
    controller->search();
    EXPECT_TRUE(pumpUntil([&] { return table().rowCount() >= rows; }))
        << "only " << table().rowCount() << " of " << rows << " devices listed";
    pumpFor(settleTime);
}

devsim::SimulatedDevice makeDevice(const std::string& ip, std::uint8_t macLastByte)
{
    devsim::SimulatedDevice device;
    device.kind = "IPCAMERA";
    device.name = "Device " + ip;
    device.firmware = "V1.0.0";
    device.ip = *devsim::parseIpv4(ip);
    device.mask = "255.255.255.0";
    device.gateway = "192.168.1.1";
    device.dns = "192.168.1.1";
    device.mac = {0x00, 0x12, 0x34, 0x56, 0x78, macLastByte};
    char macText[18];
    std::snprintf(macText, sizeof macText, "00:12:34:56:78:%02X", macLastByte);
    device.macText = macText;
    return device;
}

} // namespace lorvena::testing_support
