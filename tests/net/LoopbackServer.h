#pragma once

#include "platform/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lorvena::testing_support {

// A scripted device on 127.0.0.1 (port chosen by the system). Its thread
// accepts one connection per script, in order, runs the script on it and
// keeps every byte the script received. Each wait of its own is bounded by
// `patience`, so a faulty client ends a test instead of hanging it.
class LoopbackServer {
public:
    // Runs on the server thread with the accepted connection; appends what
    // it reads from the client to `received`.
    using Script = std::function<void(int connection, std::string& received)>;

    explicit LoopbackServer(std::vector<Script> scripts, std::chrono::milliseconds patience = std::chrono::seconds(10));
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string url(std::string_view path) const;
    // Waits for the thread; what each served connection received, in order.
    std::vector<std::string> finish();

private:
    void serve(std::vector<Script> scripts);

    UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::chrono::milliseconds patience_;
    std::vector<std::string> received_;
    std::thread thread_;
};

// Scripts.
// Reads the request header, sends `response`, closes its sending side and
// keeps reading until the client closes: everything the client sent is kept.
LoopbackServer::Script Answer(std::string response);
// Like Answer but never closes: the client has to give up by itself.
LoopbackServer::Script AnswerAndHold(std::string response);
// Reads the request header, sends `prefix`, then `filler` without end until
// the client goes away.
LoopbackServer::Script Flood(std::string prefix, char filler);
// Like Answer, in `pieces` sent a moment apart: each arrives on its own.
LoopbackServer::Script AnswerInPieces(std::vector<std::string> pieces);
// Sends `bytes` and closes at once.
LoopbackServer::Script SendAndClose(std::string bytes);
// Sends nothing and waits for the client to close.
LoopbackServer::Script Silent();

} // namespace lorvena::testing_support
