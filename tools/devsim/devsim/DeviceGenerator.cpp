#include "devsim/DeviceGenerator.h"

#include "discovery/ReplyParser.h"
#include "platform/LocalAddresses.h"

#include <array>
#include <cstdio>

namespace lorvena::devsim {

namespace {

struct Model {
    const char* kind;
    std::int32_t typeCode;
    std::uint8_t channels;
};

constexpr std::array models {
    Model {"IPCAMERA", 1, 1},
    Model {"DVR", 520, 8},
    Model {"NVR", 610, 16},
    Model {"HVR", 620, 8},
    Model {"XVR", 700, 4},
    Model {"DECODER", 800, 4},
    Model {"IPC", 2, 1},
};

// Locally administered, so it can never collide with a real device's MAC.
constexpr std::array<std::uint8_t, 3> macPrefix {0x02, 0x4C, 0x56};

} // namespace

GeneratedDevices DeviceGenerator::generate(std::size_t count, std::uint32_t firstIp)
{
    if (count == 0 || count > maxCount)
        return {{}, "the device count must be from 1 to " + std::to_string(maxCount)};
    if (static_cast<std::uint64_t>(firstIp) + count - 1 > 0xFFFFFFFFu)
        return {{}, "the addresses would run past 255.255.255.255"};

    // The generated devices sit in the /16 of the first address, with its
    // .0.1 as gateway: the lab's segment layout.
    std::string gateway = dottedAddress((firstIp & 0xFFFF0000u) | 1u);
    GeneratedDevices result;
    result.devices.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Model& model = models[i % models.size()];
        auto serial = static_cast<std::uint32_t>(i);
        SimulatedDevice device;
        device.kind = model.kind;
        device.typeCode = model.typeCode;
        device.channels = model.channels;
        char name[32];
        std::snprintf(name, sizeof name, "SIM-%05u", serial + 1);
        device.name = name;
        device.firmware = "V1.0.0 build 240101";
        device.ip = firstIp + serial;
        device.mask = "255.255.0.0";
        device.gateway = gateway;
        device.dns = gateway;
        device.mac = {macPrefix[0], macPrefix[1], macPrefix[2], static_cast<std::uint8_t>(serial >> 16),
            static_cast<std::uint8_t>(serial >> 8), static_cast<std::uint8_t>(serial)};
        device.macText = macText(device.mac);
        device.password = "admin";
        result.devices.push_back(std::move(device));
    }
    return result;
}

} // namespace lorvena::devsim
