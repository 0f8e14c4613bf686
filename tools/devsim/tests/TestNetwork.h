#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// Base of the tests that send datagrams or connect: the test process moves
// into a private loopback-only network namespace once, so nothing it sends
// can leave it. Needs root; without it the tests are skipped loudly, and
// fail under CI=true.
class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override;
};

inline constexpr std::uint32_t loopback = 0x7F000001u;

// Whether `done` became true before the (generous) bound: for waiting on the
// simulator's thread, never for judging how fast it was.
bool eventually(const std::function<bool()>& done);

struct HttpExchange {
    bool connected = false; // false: refused
    bool ended = false;     // the server closed the connection (rather than the bound running out)
    std::string response;
};

// Connects to address:port, sends `request` and reads until the server
// closes. With `halfClose` the client ends its sending side first.
HttpExchange exchangeHttp(std::uint32_t address, std::uint16_t port, std::string_view request,
    bool halfClose = false);

// A GET as the tool sends it, with `credentials` as the Basic token (none:
// no Authorization line).
std::string httpGet(std::string_view path, const char* credentials);

} // namespace lorvena::devsim
