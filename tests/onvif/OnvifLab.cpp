#include "OnvifLab.h"

#include "platform/UniqueFd.h"
#include "sdk/onvif/OnvifSettings.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <net/route.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lorvena::onvif::testing {

using namespace std::chrono_literals;
namespace sim = devsim::onvif;

OnvifSettings ShortTestSettings(std::chrono::milliseconds searchWait)
{
    OnvifSettings settings;
    settings.searchWait = searchWait;
    settings.request = {2000ms, 3000ms};
    settings.searchRequest = {500ms, 1000ms};
    settings.probeMinDelay = 20ms;
    settings.probeMaxDelay = 50ms;
    settings.probeUpperDelay = 100ms;
    settings.sweepLoopback = true;
    // Loopback addresses need no neighbour lookups: nothing to hold back.
    settings.sweepInFlight = 4096;
    return settings;
}

bool EnableLoopbackMulticast(std::string& error)
{
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ifreq request {};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (!socket || ioctl(socket.get(), SIOCGIFFLAGS, &request) != 0) {
        error = std::string("reading the loopback flags: ") + std::strerror(errno);
        return false;
    }
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_MULTICAST | IFF_UP);
    if (ioctl(socket.get(), SIOCSIFFLAGS, &request) != 0) {
        error = std::string("multicast on loopback: ") + std::strerror(errno);
        return false;
    }
    rtentry route {};
    auto* destination = reinterpret_cast<sockaddr_in*>(&route.rt_dst);
    destination->sin_family = AF_INET;
    inet_pton(AF_INET, "224.0.0.0", &destination->sin_addr);
    auto* mask = reinterpret_cast<sockaddr_in*>(&route.rt_genmask);
    mask->sin_family = AF_INET;
    inet_pton(AF_INET, "240.0.0.0", &mask->sin_addr);
    route.rt_flags = RTF_UP;
    char device[] = "lo";
    route.rt_dev = device;
    if (ioctl(socket.get(), SIOCADDRT, &route) != 0 && errno != EEXIST) {
        error = std::string("multicast route through loopback: ") + std::strerror(errno);
        return false;
    }
    return true;
}

int32_t SearchRecorder::routine(const OnvifDeviceRecord* record, void* user)
{
    auto* self = static_cast<SearchRecorder*>(user);
    std::lock_guard lock(self->mutex_);
    if (record)
        self->records_.push_back(*record);
    else
        ++self->ends_;
    self->changed_.notify_all();
    return 0;
}

bool SearchRecorder::waitForEnd(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return ends_ > 0; });
}

bool SearchRecorder::waitForRecords(std::size_t count, std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return records_.size() >= count; });
}

std::vector<OnvifDeviceRecord> SearchRecorder::records() const
{
    std::lock_guard lock(mutex_);
    return records_;
}

int SearchRecorder::ends() const
{
    std::lock_guard lock(mutex_);
    return ends_;
}

std::size_t SearchRecorder::calls() const
{
    std::lock_guard lock(mutex_);
    return records_.size() + static_cast<std::size_t>(ends_);
}

void LoginRecorder::notify(int32_t handle, int32_t eventCode, const void*, void* userContext)
{
    auto* self = static_cast<LoginRecorder*>(userContext);
    std::lock_guard lock(self->mutex_);
    self->events_.emplace_back(handle, eventCode);
    self->changed_.notify_all();
}

bool LoginRecorder::waitForEvent(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return !events_.empty(); });
}

std::vector<std::pair<int32_t, int32_t>> LoginRecorder::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

void OnvifLabTest::SetUp()
{
    std::string error;
    ASSERT_TRUE(EnableLoopbackMulticast(error)) << error;
    SetOnvifSettings(ShortTestSettings());
    LS_NET_Startup();
}

void OnvifLabTest::TearDown()
{
    LS_NET_Cleanup();
    if (simulator)
        simulator->stop();
    SetOnvifSettings(OnvifSettings {});
}

void OnvifLabTest::startDevices(std::vector<sim::OnvifDeviceConfig> devices)
{
    sim::OnvifSimulatorOptions options;
    options.maxProbeDelay = 100ms;
    options.onChange = [this](const sim::OnvifChangeEvent& event) {
        std::lock_guard lock(changesMutex);
        changes.push_back(event);
    };
    simulator = std::make_unique<sim::OnvifSimulator>(std::move(devices), options);
    std::string error;
    ASSERT_TRUE(simulator->start(error)) << error;
    ASSERT_GT(simulator->joinedGroups(), 0u);
}

sim::OnvifDeviceConfig OnvifLabTest::device(const std::string& address, std::uint16_t port)
{
    sim::OnvifDeviceConfig config;
    config.address = address;
    config.httpPort = port;
    config.name = "Kamera " + address;
    config.password = "haslo";
    return config;
}

OnvifLoginRecord OnvifLabTest::loginRecord(const std::string& address, int port, const char* password,
    LoginRecorder& recorder)
{
    OnvifLoginRecord record {};
    std::strncpy(record.address, address.c_str(), sizeof record.address - 1);
    record.port = port;
    std::strncpy(record.userName, "admin", sizeof record.userName - 1);
    std::strncpy(record.password, password, sizeof record.password - 1);
    record.userContext = &recorder;
    record.notify = &LoginRecorder::notify;
    return record;
}

bool OnvifLabTest::logHas(const std::string& line) const
{
    auto lines = simulator->logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace lorvena::onvif::testing
