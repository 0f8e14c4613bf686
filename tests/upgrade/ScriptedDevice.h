#pragma once

#include "platform/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace lorvena::testing_support {

// A device's HTTP port on 127.0.0.1 (port chosen by the system), played by a
// thread: each accepted connection runs the next script, which keeps every
// byte it reads. Every wait is bounded by `patience`, so a faulty client ends
// a test instead of hanging it.
class ScriptedDevice {
public:
    struct Connection {
        int socket;
        std::string received;
        // Set once the test has what it needs: scripts that wait for the
        // client without reading end then.
        const std::atomic<bool>& finishing;
    };
    using Script = std::function<void(Connection&)>;

    struct Options {
        // SO_RCVBUF of the device's connections (0: the system's default).
        int receiveBuffer = 0;
        // Serve every further connection with the last script, until finish().
        bool repeatLast = false;
        std::chrono::milliseconds patience = std::chrono::seconds(10);
    };

    explicit ScriptedDevice(std::vector<Script> scripts);
    ScriptedDevice(std::vector<Script> scripts, Options options);
    ~ScriptedDevice();
    ScriptedDevice(const ScriptedDevice&) = delete;
    ScriptedDevice& operator=(const ScriptedDevice&) = delete;

    std::string portText() const { return std::to_string(port_); }
    // Serves the connections already made, stops, and hands back what each
    // served connection received, in order.
    std::vector<std::string> finish();

private:
    void serve(std::vector<Script> scripts);
    bool awaitConnection();

    Options options_;
    UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> finishing_ {false};
    std::vector<std::string> received_;
    std::thread thread_;
};

// Scripts.
// Reads the command, answers `firstReply`, reads `bytesAfterCommand` more (or
// until the client stops sending), then answers `finalReply` and reads until
// the client closes, or hangs up when `finalReply` is empty.
ScriptedDevice::Script TakeUpload(std::size_t bytesAfterCommand, std::string firstReply, std::string finalReply);
// Like TakeUpload, with `beforeFirstReply` run once the command is in.
ScriptedDevice::Script TakeUploadAfter(std::function<void()> beforeFirstReply, std::size_t bytesAfterCommand,
    std::string firstReply, std::string finalReply);
// Reads the command and hangs up.
ScriptedDevice::Script HangUpAfterCommand();
// Reads the command, answers `firstReply` and never reads again.
ScriptedDevice::Script StopReadingAfterFirstReply(std::string firstReply);
// Reads an HTTP request header, sends `response` and closes.
ScriptedDevice::Script AnswerHttp(std::string response);

// A listening-free port on 127.0.0.1: connections to it are refused for as
// long as the object lives.
class RefusingPort {
public:
    RefusingPort();
    std::string portText() const { return std::to_string(port_); }

private:
    UniqueFd socket_;
    std::uint16_t port_ = 0;
};

} // namespace lorvena::testing_support
