#pragma once

#include "net/HttpResult.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena {

struct HttpTimings {
    // The product waits 4 s for a device to accept; tests shorten it.
    std::chrono::milliseconds connectTimeout {4000};
    // Unset in the product, where the URL decides (ReceiveTimeoutFor); tests
    // set it so that their outcome does not hang on the machine's load.
    std::optional<std::chrono::milliseconds> receiveTimeout;
};

// One HTTP/1.1 request to a device's built-in web server on a fresh TCP
// connection (IPv4). The response is handed back raw: the status is not
// interpreted (callers look for "200 OK" in the header) and the body is not
// decoded. Keeps nothing between requests. Virtual so that callers can be
// tested with a scripted device.
class CHttpRequest {
public:
    // A device must not be able to exhaust our memory: past these sizes the
    // reading stops and what arrived is the result.
    static constexpr std::size_t maxHeaderBytes = 64 * 1024;
    static constexpr std::size_t maxBodyBytes = 16 * 1024 * 1024;

    explicit CHttpRequest(HttpTimings timings = {});
    virtual ~CHttpRequest();
    CHttpRequest(const CHttpRequest&) = default;
    CHttpRequest& operator=(const CHttpRequest&) = default;

    // 0 on success, 1 on failure, as the device code expects. A non-null
    // `body` makes a POST. `authorization` is the Base64 credential text.
    // Failures (not HTTP, URL parts or request text too long, no connection,
    // send failed, header not complete within the receive wait of the whole
    // response) leave `result` empty; a response cut short by close, by a
    // receive time-out or, once its header is complete, by that wait is not
    // a failure.
    virtual int Request(const std::string& url, const char* extraHeaders, const std::uint8_t* body,
        std::size_t bodyLength, HttpResult& result, const std::string& authorization);

    // Send and receive time-out of a request, chosen by the URL text: the
    // storage card calls get long ones, every other call a short one. It is
    // also the most the whole response may take after the request is sent.
    // We ask for no connection close, so a device that keeps the connection
    // open holds each request up to this long.
    static std::chrono::milliseconds ReceiveTimeoutFor(std::string_view url);

private:
    HttpTimings timings_;
};

} // namespace lorvena
