#include "TestNetwork.h"

#include "devsim/LoopbackNamespace.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace lorvena::devsim {

namespace {

// Upper bound of every wait; reached only when something is broken.
constexpr std::chrono::seconds bound {10};

bool ciRun()
{
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

} // namespace

void LoopbackTest::SetUp()
{
    static const std::string failure = [] {
        if (!LoopbackNamespace::permitted())
            return std::string("needs root to make a private network namespace");
        std::string error;
        return LoopbackNamespace::enter(error) ? std::string() : error;
    }();
    if (failure.empty())
        return;
    if (ciRun())
        FAIL() << "CI=true and the simulator tests cannot run: " << failure;
    std::cerr << "*** SKIPPING the simulator tests: " << failure << " ***\n";
    GTEST_SKIP() << "SKIPPING the simulator tests: " << failure;
}

bool eventually(const std::function<bool()>& done)
{
    auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

HttpExchange exchangeHttp(std::uint32_t address, std::uint16_t port, std::string_view request, bool halfClose)
{
    HttpExchange result;
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    timeval timeout {bound.count(), 0};
    setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in server {};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(address);
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0)
        return result;
    result.connected = true;
    if (send(socket.get(), request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
        return result;
    if (halfClose)
        shutdown(socket.get(), SHUT_WR);
    char buffer[4096];
    for (;;) {
        ssize_t received = recv(socket.get(), buffer, sizeof buffer, 0);
        if (received <= 0) {
            result.ended = received == 0;
            return result;
        }
        result.response.append(buffer, static_cast<std::size_t>(received));
    }
}

std::string httpGet(std::string_view path, const char* credentials)
{
    std::string request = "GET " + std::string(path)
        + " HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\nAccept-Encoding: gzip, default\r\n"
          "User-Agent: http client\r\n";
    if (credentials != nullptr)
        request += "Authorization: Basic " + std::string(credentials) + "\r\n";
    return request + "Host: 127.0.0.1\r\n\r\n";
}

} // namespace lorvena::devsim
