#include "devsim/OnvifDeviceHost.h"

#include "devsim/Ipv4Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace lorvena::devsim {

using onvif::OnvifChangeEvent;

OnvifDeviceHost::OnvifDeviceHost(std::vector<onvif::OnvifDeviceConfig> devices, OnvifHostOptions options)
    : deviceCount_(devices.size()), options_(std::move(options))
{
    onvif::OnvifSimulatorOptions simulatorOptions;
    simulatorOptions.log = [this](const std::string& line) { writeLine(line); };
    simulatorOptions.onChange = [this](const OnvifChangeEvent& event) { changed(event); };
    simulator_ = std::make_unique<onvif::OnvifSimulator>(std::move(devices), std::move(simulatorOptions));
}

OnvifDeviceHost::~OnvifDeviceHost()
{
    stop();
}

bool OnvifDeviceHost::start(std::string& error)
{
    if (!options_.logPath.empty()) {
        // A handle of its own, appending: the UDP devices' log writes to
        // the same file from another thread, a whole line per write.
        log_.reset(std::fopen(options_.logPath.c_str(), "a"));
        if (!log_) {
            error = "cannot open log " + options_.logPath + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!simulator_->start(error))
        return false;
    releaser_ = std::thread([this] { releaseWhenDue(); });
    return true;
}

void OnvifDeviceHost::stop()
{
    // The devices first: no change can queue a release after this.
    simulator_->stop();
    {
        std::lock_guard lock(releaseMutex_);
        stopping_ = true;
    }
    releaseChanged_.notify_all();
    if (releaser_.joinable())
        releaser_.join();
}

std::vector<onvif::OnvifDeviceState> OnvifDeviceHost::devices() const
{
    return simulator_->devices();
}

void OnvifDeviceHost::writeLine(const std::string& line)
{
    std::lock_guard lock(logMutex_);
    if (!log_)
        return;
    std::string whole = line + '\n';
    std::fwrite(whole.data(), 1, whole.size(), log_.get());
    std::fflush(log_.get());
}

void OnvifDeviceHost::changed(const OnvifChangeEvent& event)
{
    if (event.kind != OnvifChangeEvent::Kind::Applied)
        return;
    writeLine("onvif-applied " + event.before.servingAddress + ":" + std::to_string(event.before.servingPort) + " "
        + event.after.servingAddress + ":" + std::to_string(event.after.servingPort));
    std::optional<std::uint32_t> from = parseIpv4(event.before.servingAddress);
    std::optional<std::uint32_t> to = parseIpv4(event.after.servingAddress);
    if (!from || !to || *from == *to)
        return;
    // Before the device's service moves (the simulator calls this first),
    // so that it can listen on the new address at once.
    std::string error;
    std::optional<ConfiguredAddress> old = InterfaceAddresses::moveAlias(*from, *to, error);
    if (!error.empty())
        std::cerr << "lorvena-devsim: moving ONVIF device " << event.before.servingAddress << " to "
                  << event.after.servingAddress << ": " << error << '\n';
    if (!old)
        return;
    std::lock_guard lock(releaseMutex_);
    pending_.push_back({*old, std::chrono::steady_clock::now() + options_.releaseDelay});
    releaseChanged_.notify_all();
}

void OnvifDeviceHost::releaseWhenDue()
{
    std::unique_lock lock(releaseMutex_);
    for (;;) {
        auto now = std::chrono::steady_clock::now();
        std::vector<ConfiguredAddress> due;
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (stopping_ || it->due <= now) {
                due.push_back(it->alias);
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
        if (!due.empty()) {
            lock.unlock();
            for (const ConfiguredAddress& alias : due)
                release(alias);
            lock.lock();
            continue;
        }
        if (stopping_)
            return;
        if (pending_.empty()) {
            releaseChanged_.wait(lock);
        } else {
            auto next = pending_.front().due;
            for (const PendingRelease& release : pending_)
                next = std::min(next, release.due);
            releaseChanged_.wait_until(lock, next);
        }
    }
}

void OnvifDeviceHost::release(const ConfiguredAddress& alias)
{
    if (options_.addressInUse && options_.addressInUse(alias.address))
        return;
    for (const onvif::OnvifDeviceState& device : simulator_->devices()) {
        if (parseIpv4(device.servingAddress) == alias.address)
            return;
    }
    std::string error;
    if (!InterfaceAddresses::remove(alias, error))
        std::cerr << "lorvena-devsim: " << error << '\n';
}

} // namespace lorvena::devsim
