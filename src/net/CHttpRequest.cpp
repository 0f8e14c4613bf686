#include "net/CHttpRequest.h"

#include "net/HttpRequestText.h"
#include "net/HttpResponseReader.h"
#include "net/SocketOps.h"
#include "net/UrlParts.h"
#include "platform/DeviceAddress.h"
#include "platform/UniqueFd.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace lorvena {

namespace {

constexpr int success = 0;
constexpr int failure = 1;

bool fitsLimits(const UrlParts& parts)
{
    return parts.scheme.size() <= UrlParts::maxScheme && parts.host.size() <= UrlParts::maxHost
        && parts.path.size() <= UrlParts::maxPath && parts.port >= 0 && parts.port <= 65535;
}

} // namespace

CHttpRequest::CHttpRequest(HttpTimings timings) : timings_(timings) {}

CHttpRequest::~CHttpRequest() = default;

std::chrono::milliseconds CHttpRequest::ReceiveTimeoutFor(std::string_view url)
{
    using std::chrono::milliseconds;
    if (url.find("vb.htm?sdformat=1") != std::string_view::npos)
        return milliseconds(60000);
    if (url.find("timefrequency=-1") != std::string_view::npos)
        return milliseconds(20000);
    if (url.find("vb.htm?sd") != std::string_view::npos)
        return milliseconds(20000);
    return milliseconds(1000);
}

int CHttpRequest::Request(const std::string& url, const char* extraHeaders, const std::uint8_t* body,
    std::size_t bodyLength, HttpResult& result, const std::string& authorization)
{
    result = {};
    UrlParts parts = ParseUrl(url);
    if (parts.scheme != "HTTP" || !fitsLimits(parts))
        return failure;
    // Built before connecting, so a request that cannot be sent costs the
    // device no connection.
    std::optional<std::string> text = BuildRequestText(parts, extraHeaders, body, bodyLength, authorization);
    if (!text)
        return failure;

    // Requests carry the administrator's credentials: they go to a device's
    // own numeric address only, never to a name looked up or to this machine.
    std::optional<std::uint32_t> host = deviceAddress(parts.host);
    if (!host)
        return failure;
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!socket)
        return failure;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(parts.port));
    address.sin_addr.s_addr = htonl(*host);
    if (!ConnectWithin(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address,
            timings_.connectTimeout))
        return failure;
    std::chrono::milliseconds waitLimit = timings_.receiveTimeout.value_or(ReceiveTimeoutFor(url));
    if (!SetSocketTimeouts(socket.get(), waitLimit, waitLimit))
        return failure;
    if (!SendAll(socket.get(), *text))
        return failure;

    // The whole response gets the wait one receive gets: a device that drips
    // its answer, each byte just inside that wait, holds the caller no longer.
    const ResponseDeadline deadline = std::chrono::steady_clock::now() + waitLimit;
    std::string header;
    std::string responseBody;
    header.reserve(1024);
    HeaderEnd headerEnd = ReadResponseHeader(socket.get(), header, maxHeaderBytes, deadline);
    if (headerEnd == HeaderEnd::DeadlinePassed)
        return failure;
    if (headerEnd != HeaderEnd::Capped)
        ReadResponseBody(socket.get(), responseBody, maxBodyBytes, deadline);
    result.request = std::move(*text);
    result.header = std::move(header);
    result.body = std::move(responseBody);
    return success;
}

} // namespace lorvena
