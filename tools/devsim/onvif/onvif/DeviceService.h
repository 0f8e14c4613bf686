#pragma once

#include "onvif/OnvifDeviceConfig.h"

#include <chrono>
#include <string>
#include <string_view>

namespace lorvena::devsim::onvif {

enum class ServiceOutcome { Ok, AuthFailed, Fault, Hostile };

// "ok", "auth-failed", "fault", "hostile": the last word of a log line.
std::string_view OutcomeWord(ServiceOutcome outcome);

struct ServiceReply {
    std::string action = "-"; // the request's operation (local name), "-" when unreadable
    ServiceOutcome outcome = ServiceOutcome::Fault;
    int status = 200;
    std::string body;
    bool configured = false; // a setting of the state changed
    bool applyNow = false;   // the configured address and port take effect once the reply is out
};

// The device service of one device: answers the SOAP envelope of a request
// and records what a Set operation changes in `state`. Every operation
// except GetSystemDateAndTime needs a valid PasswordDigest (the Get ones not
// when the device allows anonymous reads). `trueNow` is the real time; the
// device's clock adds its offset.
ServiceReply AnswerRequest(std::string_view envelope, const OnvifDeviceConfig& config, OnvifDeviceState& state,
    std::chrono::system_clock::time_point trueNow);

} // namespace lorvena::devsim::onvif
