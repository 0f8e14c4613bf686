#include "net/CHttpRequest.h"

#include "net/HttpRequestText.h"
#include "net/HttpResponseReader.h"
#include "net/SocketOps.h"
#include "net/UrlParts.h"
#include "platform/UniqueFd.h"

#include <netdb.h>
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

// The first IPv4 address of `host`; 0.0.0.0 when it cannot be resolved, as
// requests always did (the connect then fails or reaches this machine).
in_addr resolveIpv4(const std::string& host)
{
    in_addr address {};
    if (host.empty())
        return address;
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0)
        return address;
    if (found != nullptr && found->ai_addr != nullptr && found->ai_addrlen >= sizeof(sockaddr_in)) {
        sockaddr_in first {};
        std::memcpy(&first, found->ai_addr, sizeof first);
        address = first.sin_addr;
    }
    freeaddrinfo(found);
    return address;
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

    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!socket)
        return failure;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(parts.port));
    address.sin_addr = resolveIpv4(parts.host);
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
