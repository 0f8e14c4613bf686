#include "sdk/onvif/OnvifSettings.h"

namespace lorvena::onvif {

namespace {

std::mutex settingsMutex;

OnvifSettings& settings()
{
    static OnvifSettings instance;
    return instance;
}

std::uint64_t key(std::uint32_t address, std::uint16_t port)
{
    return (std::uint64_t {address} << 16) | port;
}

} // namespace

OnvifSettings CurrentOnvifSettings()
{
    std::lock_guard lock(settingsMutex);
    return settings();
}

void SetOnvifSettings(const OnvifSettings& value)
{
    std::lock_guard lock(settingsMutex);
    settings() = value;
}

void ServicePaths::remember(std::uint32_t address, std::uint16_t port, const std::string& path)
{
    std::lock_guard lock(mutex_);
    if (paths_.size() >= maxEntries && paths_.count(key(address, port)) == 0)
        paths_.erase(paths_.begin());
    paths_[key(address, port)] = path;
}

std::optional<std::string> ServicePaths::find(std::uint32_t address, std::uint16_t port) const
{
    std::lock_guard lock(mutex_);
    auto found = paths_.find(key(address, port));
    if (found == paths_.end())
        return std::nullopt;
    return found->second;
}

ServicePaths& KnownServicePaths()
{
    static ServicePaths instance;
    return instance;
}

} // namespace lorvena::onvif
