#pragma once

#include "sdk/onvif/SoapTransport.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace lorvena::onvif {

// Every time and limit of the library. The product uses the defaults (and
// LS_NET_SetWaitTime); tests shorten them through SetOnvifSettings.
struct OnvifSettings {
    std::chrono::milliseconds searchWait {5000};
    RequestTimings request {std::chrono::seconds(10), std::chrono::seconds(10)};

    // The unauthenticated reads that fill a found device's record: short,
    // and never more than the budget per device, so a device that accepts
    // connections and then stalls cannot hold the search up.
    RequestTimings searchRequest {std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)};
    std::chrono::milliseconds searchRequestBudget {3000};
    std::size_t searchWorkers = 4;
    // Devices one search lists at most. Anyone on the network can answer a
    // probe, and each answer with a new endpoint would be a row: a flood of
    // made-up answers stops here (the rest is dropped with a trace line).
    std::size_t searchEndpoints = 4096;

    // SOAP-over-UDP repetition: the first delay is random in [min, max],
    // each further one doubles, capped at upper.
    int probeRepeats = 2;
    std::chrono::milliseconds probeMinDelay {50};
    std::chrono::milliseconds probeMaxDelay {250};
    std::chrono::milliseconds probeUpperDelay {500};

    // The subnet sweep of the mask mode is paced so that a /22 does not
    // flood the neighbour table and the link at once: batches at an
    // interval, and at most sweepInFlight hosts whose neighbour lookup may
    // be pending (sweepHold: how long the kernel tries to resolve an absent
    // host, three tries a second apart by default, plus the slack of its
    // timers). A sweep that outlasts
    // searchWait extends the search until its last hosts had
    // sweepAnswerWait to answer.
    std::size_t sweepBatch = 32;
    std::chrono::milliseconds sweepInterval {20};
    std::size_t sweepInFlight = 256;
    std::chrono::milliseconds sweepHold {4000};
    std::chrono::milliseconds sweepAnswerWait {1000};
    std::size_t sweepSockets = 8;
    // Loopback subnets hold no devices in the field; tests sweep them.
    bool sweepLoopback = false;
};

OnvifSettings CurrentOnvifSettings();
void SetOnvifSettings(const OnvifSettings& settings);

// Device service paths learned from discovery answers, so that a login (which
// only gets address and port) uses the path the device gave.
class ServicePaths {
public:
    void remember(std::uint32_t address, std::uint16_t port, const std::string& path);
    std::optional<std::string> find(std::uint32_t address, std::uint16_t port) const;

private:
    static constexpr std::size_t maxEntries = 4096;
    mutable std::mutex mutex_;
    std::map<std::uint64_t, std::string> paths_;
};

ServicePaths& KnownServicePaths();

} // namespace lorvena::onvif
