#include "upgrade/ScriptedDevice.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <gtest/gtest.h>

namespace lorvena::testing_support {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

void limitWaits(int connection, std::chrono::milliseconds limit)
{
    timeval value {};
    value.tv_sec = static_cast<time_t>(limit.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>(limit.count() % 1000 * 1000);
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
}

bool receiveInto(ScriptedDevice::Connection& connection)
{
    char piece[4096];
    const ssize_t count = recv(connection.socket, piece, sizeof piece, 0);
    if (count <= 0)
        return false;
    connection.received.append(piece, static_cast<std::size_t>(count));
    return true;
}

bool readUntilContains(ScriptedDevice::Connection& connection, std::string_view marker)
{
    while (connection.received.find(marker) == std::string::npos) {
        if (!receiveInto(connection))
            return false;
    }
    return true;
}

void readUntilClosed(ScriptedDevice::Connection& connection)
{
    while (receiveInto(connection)) {
    }
}

void sendAll(int socket, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

constexpr std::string_view commandEnd = "END\n";

} // namespace

ScriptedDevice::ScriptedDevice(std::vector<Script> scripts) : ScriptedDevice(std::move(scripts), Options {}) {}

ScriptedDevice::ScriptedDevice(std::vector<Script> scripts, Options options)
    : options_(options), listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // Set on the listener so that the accepted connections start with it.
    if (listener_ && options_.receiveBuffer > 0)
        setsockopt(listener_.get(), SOL_SOCKET, SO_RCVBUF, &options_.receiveBuffer, sizeof options_.receiveBuffer);
    if (!listener_ || bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(listener_.get(), 8) != 0
        || getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "scripted device: cannot listen on 127.0.0.1";
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, scripts = std::move(scripts)]() mutable { serve(std::move(scripts)); });
}

ScriptedDevice::~ScriptedDevice()
{
    finish();
}

std::vector<std::string> ScriptedDevice::finish()
{
    finishing_ = true;
    if (thread_.joinable())
        thread_.join();
    return received_;
}

bool ScriptedDevice::awaitConnection()
{
    const Clock::time_point giveUp = Clock::now() + options_.patience;
    for (;;) {
        pollfd entry {listener_.get(), POLLIN, 0};
        if (poll(&entry, 1, 20) == 1)
            return true;
        if (finishing_ || Clock::now() >= giveUp)
            return false;
    }
}

void ScriptedDevice::serve(std::vector<Script> scripts)
{
    for (std::size_t served = 0;; ++served) {
        if (served >= scripts.size() && !(options_.repeatLast && !scripts.empty()))
            return;
        Script& script = served < scripts.size() ? scripts[served] : scripts.back();
        if (!awaitConnection())
            return;
        UniqueFd connection(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection)
            return;
        limitWaits(connection.get(), options_.patience);
        Connection connectionState {connection.get(), {}, finishing_};
        script(connectionState);
        received_.push_back(std::move(connectionState.received));
    }
}

ScriptedDevice::Script TakeUpload(std::size_t bytesAfterCommand, std::string firstReply, std::string finalReply)
{
    return TakeUploadAfter([] {}, bytesAfterCommand, std::move(firstReply), std::move(finalReply));
}

ScriptedDevice::Script TakeUploadAfter(std::function<void()> beforeFirstReply, std::size_t bytesAfterCommand,
    std::string firstReply, std::string finalReply)
{
    return [=](ScriptedDevice::Connection& connection) {
        if (!readUntilContains(connection, commandEnd))
            return;
        beforeFirstReply();
        sendAll(connection.socket, firstReply);
        const std::size_t expected = connection.received.find(commandEnd) + commandEnd.size() + bytesAfterCommand;
        while (connection.received.size() < expected && receiveInto(connection)) {
        }
        if (finalReply.empty())
            return;
        sendAll(connection.socket, finalReply);
        readUntilClosed(connection);
    };
}

ScriptedDevice::Script HangUpAfterCommand()
{
    return [](ScriptedDevice::Connection& connection) { readUntilContains(connection, commandEnd); };
}

ScriptedDevice::Script StopReadingAfterFirstReply(std::string firstReply)
{
    return [firstReply = std::move(firstReply)](ScriptedDevice::Connection& connection) {
        if (!readUntilContains(connection, commandEnd))
            return;
        sendAll(connection.socket, firstReply);
        const Clock::time_point giveUp = Clock::now() + 10s;
        while (!connection.finishing && Clock::now() < giveUp)
            std::this_thread::sleep_for(10ms);
    };
}

ScriptedDevice::Script AnswerHttp(std::string response)
{
    return [response = std::move(response)](ScriptedDevice::Connection& connection) {
        if (readUntilContains(connection, "\r\n\r\n"))
            sendAll(connection.socket, response);
    };
}

RefusingPort::RefusingPort() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // Bound but never listening: the port stays ours, and connections to it
    // are refused.
    if (!socket_ || bind(socket_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "cannot reserve a port on 127.0.0.1";
        return;
    }
    port_ = ntohs(address.sin_port);
}

} // namespace lorvena::testing_support
