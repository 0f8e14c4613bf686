#pragma once

#include "devsim/InterfaceAddresses.h"
#include "onvif/OnvifSimulator.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lorvena::devsim {

struct OnvifHostOptions {
    // Lines are appended here as the simulator writes them (empty: no log).
    std::string logPath;
    // Whether another simulated device still uses an address; an alias
    // left behind by a moved ONVIF device is kept while one does.
    std::function<bool(std::uint32_t)> addressInUse;
    // How long an old alias stays after its device moved: the device's
    // answer to the request that moved it still leaves from it.
    std::chrono::milliseconds releaseDelay {1000};
};

// The simulated ONVIF devices of the lorvena-devsim program: the simulator,
// its log lines in the program's request log, and the addresses moving the
// way modify requests move those of the UDP devices - a device whose new
// address takes effect gets it as an alias on the interface holding its old
// one, and the old alias goes a moment later unless another device uses it.
class OnvifDeviceHost {
public:
    OnvifDeviceHost(std::vector<onvif::OnvifDeviceConfig> devices, OnvifHostOptions options);
    ~OnvifDeviceHost();
    OnvifDeviceHost(const OnvifDeviceHost&) = delete;
    OnvifDeviceHost& operator=(const OnvifDeviceHost&) = delete;

    bool start(std::string& error);
    // Stops the devices and removes the old aliases still waiting to go.
    void stop();

    std::size_t deviceCount() const { return deviceCount_; }
    std::size_t listeningServices() const { return simulator_ ? simulator_->listeningServices() : 0; }
    std::vector<onvif::OnvifDeviceState> devices() const;

private:
    struct PendingRelease {
        ConfiguredAddress alias;
        std::chrono::steady_clock::time_point due;
    };

    void writeLine(const std::string& line);
    void changed(const onvif::OnvifChangeEvent& event);
    void releaseWhenDue();
    void release(const ConfiguredAddress& alias);

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::size_t deviceCount_;
    OnvifHostOptions options_;
    std::unique_ptr<onvif::OnvifSimulator> simulator_;
    std::mutex logMutex_;
    std::unique_ptr<std::FILE, FileCloser> log_;

    std::mutex releaseMutex_;
    std::condition_variable releaseChanged_;
    std::vector<PendingRelease> pending_;
    bool stopping_ = false;
    std::thread releaser_;
};

} // namespace lorvena::devsim
