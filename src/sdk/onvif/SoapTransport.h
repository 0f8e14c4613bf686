#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace lorvena::onvif {

struct SoapEndpoint {
    std::uint32_t address = 0; // host byte order
    std::uint16_t port = 80;
    std::string path = "/onvif/device_service";
};

struct RequestTimings {
    std::chrono::milliseconds connect {10000};
    std::chrono::milliseconds reply {10000}; // from the connection to the last byte
};

enum class TransportOutcome {
    Answered,      // a whole HTTP response (any status)
    NotConnected,  // refused, unreachable or no handshake in time
    NoAnswer,      // connected, but no whole response in time
    BadHttp,       // not HTTP, or cut short
    TooLarge,
    Cancelled,
};

struct TransportResult {
    TransportOutcome outcome = TransportOutcome::NotConnected;
    int status = 0;
    std::string body;
};

// One SOAP 1.2 POST on a fresh connection ("Connection: close"). Waits are
// sliced so that `cancel` (may be null) ends the request within ~100 ms.
TransportResult PostSoap(const SoapEndpoint& endpoint, std::string_view soapAction, std::string_view envelope,
    const RequestTimings& timings, const std::atomic<bool>* cancel);

// The request text exactly as PostSoap sends it.
std::string SoapRequestText(const SoapEndpoint& endpoint, std::string_view soapAction, std::string_view envelope);

} // namespace lorvena::onvif
