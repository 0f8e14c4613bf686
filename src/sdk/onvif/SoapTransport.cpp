#include "sdk/onvif/SoapTransport.h"

#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"
#include "sdk/onvif/HttpReplyReader.h"
#include "sdk/onvif/SoapXml.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace lorvena::onvif {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds slice {100};

enum class Wait { Ready, TimedOut, Cancelled, Failed };

Wait waitFor(int socket, short events, Clock::time_point deadline, const std::atomic<bool>* cancel)
{
    for (;;) {
        if (cancel && cancel->load())
            return Wait::Cancelled;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::TimedOut;
        pollfd entry {socket, events, 0};
        int ready = poll(&entry, 1, static_cast<int>(std::min(left, slice).count()));
        if (ready > 0)
            return Wait::Ready;
        if (ready < 0 && errno != EINTR)
            return Wait::Failed;
    }
}

TransportOutcome outcomeOf(Wait wait)
{
    return wait == Wait::Cancelled ? TransportOutcome::Cancelled : TransportOutcome::NoAnswer;
}

} // namespace

std::string SoapRequestText(const SoapEndpoint& endpoint, std::string_view soapAction, std::string_view envelope)
{
    std::string request = "POST " + endpoint.path + " HTTP/1.1\r\nHost: " + dottedAddress(endpoint.address) + ":"
        + std::to_string(endpoint.port)
        + "\r\nContent-Type: application/soap+xml; charset=utf-8; action=\"" + std::string(soapAction)
        + "\"\r\nContent-Length: " + std::to_string(envelope.size()) + "\r\nConnection: close\r\n\r\n";
    request += envelope;
    return request;
}

TransportResult PostSoap(const SoapEndpoint& endpoint, std::string_view soapAction, std::string_view envelope,
    const RequestTimings& timings, const std::atomic<bool>* cancel)
{
    TransportResult result;
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket)
        return result;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    address.sin_addr.s_addr = htonl(endpoint.address);
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        && errno != EINPROGRESS)
        return result;
    Wait connected = waitFor(socket.get(), POLLOUT, Clock::now() + timings.connect, cancel);
    if (connected == Wait::Cancelled) {
        result.outcome = TransportOutcome::Cancelled;
        return result;
    }
    int pending = 0;
    socklen_t pendingLength = sizeof pending;
    if (connected != Wait::Ready || getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &pending, &pendingLength) != 0
        || pending != 0)
        return result;

    const Clock::time_point deadline = Clock::now() + timings.reply;
    const std::string request = SoapRequestText(endpoint, soapAction, envelope);
    std::size_t sent = 0;
    while (sent < request.size()) {
        Wait writable = waitFor(socket.get(), POLLOUT, deadline, cancel);
        if (writable != Wait::Ready) {
            result.outcome = outcomeOf(writable);
            return result;
        }
        ssize_t count = send(socket.get(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            result.outcome = TransportOutcome::BadHttp;
            return result;
        }
        if (count > 0)
            sent += static_cast<std::size_t>(count);
    }

    HttpReplyReader reader(maxReplyBytes);
    char buffer[8192];
    HttpReplyReader::State state = HttpReplyReader::State::Incomplete;
    while (state == HttpReplyReader::State::Incomplete) {
        Wait readable = waitFor(socket.get(), POLLIN, deadline, cancel);
        if (readable != Wait::Ready) {
            result.outcome = outcomeOf(readable);
            return result;
        }
        ssize_t count = recv(socket.get(), buffer, sizeof buffer, 0);
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (count <= 0)
            state = reader.finish();
        else
            state = reader.feed(std::string_view(buffer, static_cast<std::size_t>(count)));
    }
    if (state == HttpReplyReader::State::TooLarge) {
        result.outcome = TransportOutcome::TooLarge;
        return result;
    }
    if (state != HttpReplyReader::State::Complete) {
        result.outcome = TransportOutcome::BadHttp;
        return result;
    }
    result.outcome = TransportOutcome::Answered;
    result.status = reader.status();
    result.body = reader.body();
    return result;
}

} // namespace lorvena::onvif
