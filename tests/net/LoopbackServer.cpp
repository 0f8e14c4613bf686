#include "net/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <gtest/gtest.h>

namespace lorvena::testing_support {

namespace {

void limitWaits(int connection, std::chrono::milliseconds limit)
{
    timeval value {};
    value.tv_sec = static_cast<time_t>(limit.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>(limit.count() % 1000 * 1000);
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
}

bool receiveInto(int connection, std::string& received)
{
    char piece[4096];
    ssize_t count = recv(connection, piece, sizeof piece, 0);
    if (count <= 0)
        return false;
    received.append(piece, static_cast<std::size_t>(count));
    return true;
}

void readHeader(int connection, std::string& received)
{
    while (received.find("\r\n\r\n") == std::string::npos && receiveInto(connection, received)) {
    }
}

void readUntilClosed(int connection, std::string& received)
{
    while (receiveInto(connection, received)) {
    }
}

bool sendAll(int connection, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t sent = send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

} // namespace

LoopbackServer::LoopbackServer(std::vector<Script> scripts, std::chrono::milliseconds patience)
    : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), patience_(patience)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (!listener_ || bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(listener_.get(), 8) != 0
        || getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "test server: cannot listen on 127.0.0.1";
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, scripts = std::move(scripts)]() mutable { serve(std::move(scripts)); });
}

LoopbackServer::~LoopbackServer()
{
    if (thread_.joinable())
        thread_.join();
}

std::string LoopbackServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LoopbackServer::finish()
{
    if (thread_.joinable())
        thread_.join();
    return received_;
}

void LoopbackServer::serve(std::vector<Script> scripts)
{
    for (Script& script : scripts) {
        pollfd entry {listener_.get(), POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(patience_.count())) != 1)
            return;
        UniqueFd connection(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection)
            return;
        limitWaits(connection.get(), patience_);
        std::string received;
        script(connection.get(), received);
        received_.push_back(std::move(received));
    }
}

LoopbackServer::Script Answer(std::string response)
{
    return [response = std::move(response)](int connection, std::string& received) {
        readHeader(connection, received);
        sendAll(connection, response);
        shutdown(connection, SHUT_WR);
        readUntilClosed(connection, received);
    };
}

LoopbackServer::Script AnswerInPieces(std::vector<std::string> pieces)
{
    return [pieces = std::move(pieces)](int connection, std::string& received) {
        readHeader(connection, received);
        for (const std::string& piece : pieces) {
            sendAll(connection, piece);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        shutdown(connection, SHUT_WR);
        readUntilClosed(connection, received);
    };
}

LoopbackServer::Script AnswerAndHold(std::string response)
{
    return [response = std::move(response)](int connection, std::string& received) {
        readHeader(connection, received);
        sendAll(connection, response);
        readUntilClosed(connection, received);
    };
}

LoopbackServer::Script Flood(std::string prefix, char filler)
{
    return [prefix = std::move(prefix), filler](int connection, std::string& received) {
        readHeader(connection, received);
        const std::string block(4096, filler);
        if (sendAll(connection, prefix)) {
            while (sendAll(connection, block)) {
            }
        }
    };
}

LoopbackServer::Script SendAndClose(std::string bytes)
{
    return [bytes = std::move(bytes)](int connection, std::string&) { sendAll(connection, bytes); };
}

LoopbackServer::Script Silent()
{
    return [](int connection, std::string& received) { readUntilClosed(connection, received); };
}

} // namespace lorvena::testing_support
