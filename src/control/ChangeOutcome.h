#pragma once

#include <cstdint>
#include <string>

namespace lorvena {

// What became of one device a change was meant for.
enum class DeviceOutcome {
    Changed,      // the device took the settings, or the request that gets no answer went out
    Refused,      // not changed: a check before sending, the user's answer, the device or the
                  // library said no
    Unreachable,  // the device gave no answer (to the check, the login, the exchange)
    Skipped,      // no settings went out for it: on DHCP in a batch, or the user cancelled first
    NotConfirmed, // the settings went out, but the device never said it took them
};

// One device's outcome, with what tells the device apart: its MAC and the
// address it was listed at, and the address it was to get.
struct DeviceChangeOutcome {
    std::string mac;
    std::string formerIp;
    std::uint32_t newIp = 0; // 0: none (skipped)
    DeviceOutcome outcome = DeviceOutcome::Refused;

    bool operator==(const DeviceChangeOutcome&) const = default;
};

} // namespace lorvena
