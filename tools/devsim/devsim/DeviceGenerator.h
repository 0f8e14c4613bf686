#pragma once

#include "devsim/SimulatedDevice.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lorvena::devsim {

struct GeneratedDevices {
    std::vector<SimulatedDevice> devices;
    std::string error; // empty on success
};

// Many plain devices for load tests: consecutive addresses from `firstIp`,
// distinct MACs and names, every kind of device in turn, all answering every
// generation. The same arguments always give the same devices.
class DeviceGenerator {
public:
    static constexpr std::size_t maxCount = 65536;

    static GeneratedDevices generate(std::size_t count, std::uint32_t firstIp);
};

} // namespace lorvena::devsim
