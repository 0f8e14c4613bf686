#pragma once

#include "sdk/onvif/DeviceRequests.h"
#include "sdk/onvif/SoapTransport.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena::onvif {

enum class CallOutcome {
    Ok,          // a well-formed answer that is no fault
    Refused,     // credentials refused (HTTP 401 or an authorization fault)
    Fault,       // another SOAP fault
    Unreachable, // no connection
    NoAnswer,    // connected, no whole answer in time
    BadReply,    // not HTTP, too large, malformed XML, a DOCTYPE, no SOAP body
    Cancelled,
};

struct CallResult {
    CallOutcome outcome = CallOutcome::Unreachable;
    std::string body; // the answer's text when Ok
};

struct Credentials {
    std::string userName;
    std::string password;
    std::chrono::seconds clockOffset {0}; // device clock minus ours
};

// Calls device management operations on one device service.
class DeviceClient {
public:
    DeviceClient(SoapEndpoint endpoint, RequestTimings timings, const std::atomic<bool>* cancel);

    // Without credentials every call goes unsigned.
    void setCredentials(std::optional<Credentials> credentials) { credentials_ = std::move(credentials); }
    void setEndpoint(SoapEndpoint endpoint) { endpoint_ = std::move(endpoint); }
    const SoapEndpoint& endpoint() const { return endpoint_; }

    // `body` is the element inside s:Body; empty: the argument-less request.
    CallResult call(DeviceAction action, std::string_view body = {});

    // The device's clock minus ours, asked without credentials (the one
    // operation every device answers before authentication).
    std::optional<std::chrono::seconds> clockOffset(CallOutcome& outcome);

private:
    SoapEndpoint endpoint_;
    RequestTimings timings_;
    const std::atomic<bool>* cancel_;
    std::optional<Credentials> credentials_;
};

// How an HTTP answer counts (exposed for tests).
CallOutcome ClassifyAnswer(int httpStatus, std::string_view body);

} // namespace lorvena::onvif
