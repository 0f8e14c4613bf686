#include "devsim/WebServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>

namespace lorvena::devsim {

namespace {

constexpr std::string_view firstProbe = "/vb.htm?paratest=authority";
constexpr std::array<std::string_view, 3> probePaths {firstProbe, "/vb.htm?getserialnum=", "/vb.htm?getlongsesn="};
constexpr std::string_view userName = "admin";

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Strict RFC 4648 Base64 (padding required); nothing for anything else.
std::optional<std::string> base64Decode(std::string_view text)
{
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string result;
    for (std::size_t at = 0; at < text.size(); at += 4) {
        std::size_t padding = 0;
        if (at + 4 == text.size() && text[at + 3] == '=')
            padding = text[at + 2] == '=' ? 2 : 1;
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            std::size_t value = i < 4 - padding ? alphabet.find(text[at + i]) : 0;
            if (value == std::string_view::npos)
                return std::nullopt;
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        result += static_cast<char>(group >> 16);
        if (padding < 2)
            result += static_cast<char>(group >> 8);
        if (padding < 1)
            result += static_cast<char>(group);
    }
    return result;
}

bool credentialsMatch(std::string_view head, const SimulatedDevice& device)
{
    std::string expected = std::string(userName) + ":" + toDeviceText(device.password, device.encoding);
    std::size_t lineStart = head.find("\r\n");
    while (lineStart != std::string_view::npos) {
        lineStart += 2;
        std::size_t lineEnd = head.find("\r\n", lineStart);
        std::string_view line = head.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd;
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !equalsIgnoringCase(trimmed(line.substr(0, colon)), "authorization"))
            continue;
        std::string_view value = trimmed(line.substr(colon + 1));
        std::size_t space = value.find(' ');
        if (space == std::string_view::npos || !equalsIgnoringCase(value.substr(0, space), "basic"))
            return false;
        std::optional<std::string> decoded = base64Decode(trimmed(value.substr(space + 1)));
        return decoded && *decoded == expected;
    }
    return false;
}

const char* reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    }
    return "Error";
}

HttpAnswer answered(std::string path, int status)
{
    std::string body = std::string(reasonOf(status)) + "\n";
    std::string bytes = "HTTP/1.1 " + std::to_string(status) + " " + reasonOf(status) + "\r\n";
    if (status == 401)
        bytes += "WWW-Authenticate: Basic realm=\"device\"\r\n";
    bytes += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
    return {std::move(path), status, std::move(bytes)};
}

struct RequestLine {
    std::string_view method;
    std::string_view path;
    bool valid = false;
};

RequestLine requestLine(std::string_view head)
{
    std::string_view line = head.substr(0, head.find("\r\n"));
    std::size_t first = line.find(' ');
    std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos)
        return {};
    return {line.substr(0, first), line.substr(first + 1, second - first - 1),
        line.substr(second + 1).starts_with("HTTP/1.")};
}

std::uint64_t endpointKey(std::uint32_t address, std::uint32_t port)
{
    return (static_cast<std::uint64_t>(address) << 16) | port;
}

bool listenable(const SimulatedDevice& device)
{
    std::uint32_t address = device.ip;
    return device.http != HttpMode::Closed && device.httpPort >= 1 && device.httpPort <= 65535 && address != 0
        && address != 0xFFFFFFFFu && (address >> 28) != 0xE;
}

} // namespace

HttpAnswer HttpResponder::answer(std::string_view head, const SimulatedDevice& device)
{
    RequestLine request = requestLine(head);
    std::string path = request.valid ? std::string(request.path) : "-";
    if (device.http == HttpMode::Silent)
        return {path, 0, {}};
    if (!request.valid)
        return answered(path, 400);
    if (request.method != "GET")
        return answered(path, 405);
    if (std::find(probePaths.begin(), probePaths.end(), request.path) == probePaths.end())
        return answered(path, 404);
    if (device.http == HttpMode::RefuseFirst && request.path == firstProbe)
        return answered(path, 401);
    return answered(path, credentialsMatch(head, device) ? 200 : 401);
}

HttpAnswer HttpResponder::tooLarge(std::string_view start, const SimulatedDevice& device)
{
    RequestLine request = requestLine(start);
    std::string path = request.valid ? std::string(request.path) : "-";
    return device.http == HttpMode::Silent ? HttpAnswer {path, 0, {}} : answered(path, 400);
}

WebServers::WebServers(const std::vector<SimulatedDevice>& devices, RequestLog& log) : devices_(devices), log_(log)
{
}

bool WebServers::open(std::size_t budget, std::string& error)
{
    close();
    epoll_.reset(epoll_create1(EPOLL_CLOEXEC));
    if (!epoll_) {
        error = std::string("epoll_create1: ") + std::strerror(errno);
        return false;
    }
    for (std::size_t i = 0; i < devices_.size() && listeners_.size() < budget; ++i)
        openListener(i);
    serverCount_ = listeners_.size();
    return true;
}

void WebServers::close()
{
    connections_.clear();
    listeners_.clear();
    byEndpoint_.clear();
    epoll_.reset();
    serverCount_ = 0;
}

bool WebServers::openListener(std::size_t device)
{
    const SimulatedDevice& simulated = devices_[device];
    std::uint64_t endpoint = endpointKey(simulated.ip, simulated.httpPort);
    if (!listenable(simulated) || byEndpoint_.contains(endpoint))
        return false;
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket)
        return false;
    int on = 1;
    // Connections closed by the server linger in TIME_WAIT; the next
    // simulator on the same address must still be able to listen.
    setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local {};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(simulated.httpPort));
    local.sin_addr.s_addr = htonl(simulated.ip);
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || listen(socket.get(), 64) != 0)
        return false;
    std::uint64_t id = nextId_++;
    // Edge-triggered: accepting drains the queue, and a listener that cannot
    // accept (no descriptor left) does not wake the thread over and over.
    epoll_event event {};
    event.events = EPOLLIN | EPOLLET;
    event.data.u64 = id;
    if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, socket.get(), &event) != 0)
        return false;
    listeners_.emplace(id, Listener {std::move(socket), device, endpoint});
    byEndpoint_.emplace(endpoint, id);
    return true;
}

void WebServers::closeListener(std::uint64_t id)
{
    auto found = listeners_.find(id);
    if (found == listeners_.end())
        return;
    byEndpoint_.erase(found->second.endpoint);
    listeners_.erase(found); // closing the descriptor also takes it out of the epoll set
}

void WebServers::deviceMoved(std::size_t index, std::uint32_t oldAddress, std::uint32_t oldPort)
{
    if (!epoll_)
        return;
    auto old = byEndpoint_.find(endpointKey(oldAddress, oldPort));
    if (old != byEndpoint_.end() && listeners_.at(old->second).device == index) {
        closeListener(old->second);
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (i != index && devices_[i].ip == oldAddress && devices_[i].httpPort == oldPort && openListener(i))
                break;
        }
    }
    openListener(index);
    serverCount_ = listeners_.size();
}

void WebServers::handleEvents()
{
    std::array<epoll_event, 64> events {};
    int count = epoll_wait(epoll_.get(), events.data(), static_cast<int>(events.size()), 0);
    for (int i = 0; i < count; ++i) {
        std::uint64_t id = events[static_cast<std::size_t>(i)].data.u64;
        // An entry closed earlier in this batch is simply not found.
        if (auto listener = listeners_.find(id); listener != listeners_.end())
            acceptAll(listener->second);
        else if (connections_.contains(id))
            serve(id, events[static_cast<std::size_t>(i)].events);
    }
}

void WebServers::acceptAll(const Listener& listener)
{
    for (;;) {
        UniqueFd socket(accept4(listener.socket.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: all accepted (or out of descriptors: wait for the next)
        }
        if (connections_.size() >= maxConnections)
            continue; // closed at once
        std::uint64_t id = nextId_++;
        epoll_event event {};
        event.events = EPOLLIN;
        event.data.u64 = id;
        if (epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, socket.get(), &event) != 0)
            continue;
        connections_.emplace(id, Connection {std::move(socket), listener.device, {}, {}, false});
    }
}

void WebServers::serve(std::uint64_t id, std::uint32_t events)
{
    Connection& connection = connections_.at(id);
    if ((events & EPOLLOUT) != 0 && !flush(id, connection))
        return;
    if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0)
        readRequest(id, connection);
}

bool WebServers::readRequest(std::uint64_t id, Connection& connection)
{
    std::array<char, 4096> buffer {};
    for (;;) {
        ssize_t received = recv(connection.socket.get(), buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (received <= 0) {
            // The client has closed (or the connection failed): nothing more
            // to answer.
            connections_.erase(id);
            return false;
        }
        if (connection.answered)
            continue; // answered or silent: discarded
        std::size_t room = maxRequestBytes - connection.received.size();
        connection.received.append(buffer.data(), std::min(static_cast<std::size_t>(received), room));
        std::size_t end = connection.received.find("\r\n\r\n");
        const SimulatedDevice& device = devices_[connection.device];
        if (end != std::string::npos) {
            respond(id, connection, HttpResponder::answer(std::string_view(connection.received).substr(0, end + 4),
                device));
            return connections_.contains(id);
        }
        if (connection.received.size() >= maxRequestBytes) {
            respond(id, connection, HttpResponder::tooLarge(connection.received, device));
            return connections_.contains(id);
        }
    }
}

void WebServers::respond(std::uint64_t id, Connection& connection, const HttpAnswer& answer)
{
    ++requestCount_;
    log_.recordHttp(answer.path, answer.status);
    connection.answered = true;
    connection.received.clear();
    if (answer.status == 0)
        return; // silent: the connection stays open until the client ends it
    connection.unsent = answer.bytes;
    flush(id, connection);
}

bool WebServers::flush(std::uint64_t id, Connection& connection)
{
    while (!connection.unsent.empty()) {
        ssize_t sent = send(connection.socket.get(), connection.unsent.data(), connection.unsent.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            epoll_event event {};
            event.events = EPOLLIN | EPOLLOUT;
            event.data.u64 = id;
            epoll_ctl(epoll_.get(), EPOLL_CTL_MOD, connection.socket.get(), &event);
            return true;
        }
        if (sent < 0)
            break;
        connection.unsent.erase(0, static_cast<std::size_t>(sent));
    }
    // Answered in full (or the client is gone): the response ends with the
    // connection. What is still unread (the rest of an oversized request) is
    // read first, so that closing sends a FIN rather than a reset that could
    // destroy the response before the client has read it.
    std::array<char, 4096> rest {};
    while (recv(connection.socket.get(), rest.data(), rest.size(), MSG_DONTWAIT) > 0) {
    }
    connections_.erase(id);
    return false;
}

} // namespace lorvena::devsim
