// The devices' web servers over plain sockets, inside the private
// loopback-only network namespace.

#include "TestNetwork.h"

#include "devsim/Simulator.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace lorvena::devsim {
namespace {

constexpr const char* right = "YWRtaW46c2VjcmV0";     // admin:secret
constexpr const char* wrong = "YWRtaW46d3Jvbmc=";     // admin:wrong
constexpr const char* otherUser = "cm9vdDpzZWNyZXQ="; // root:secret
constexpr const char* authority = "/vb.htm?paratest=authority";
constexpr const char* serial = "/vb.htm?getserialnum=";
constexpr const char* longSerial = "/vb.htm?getlongsesn=";

constexpr std::uint32_t normal = 0x7F000015u;      // 127.0.0.21
constexpr std::uint32_t refuseFirst = 0x7F000016u; // .22
constexpr std::uint32_t closed = 0x7F000017u;      // .23
constexpr std::uint32_t silent = 0x7F000018u;      // .24

SimulatedDevice device(std::uint32_t ip, HttpMode mode)
{
    SimulatedDevice result;
    result.ip = ip;
    result.mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(ip)};
    result.password = "secret";
    result.http = mode;
    return result;
}

class WebServerTest : public LoopbackTest {};

TEST_F(WebServerTest, AnswersTheProbesByCredentialsAndMode)
{
    char logPath[] = "/tmp/devsim-http-log-XXXXXX";
    int fd = mkstemp(logPath);
    ASSERT_GE(fd, 0);
    close(fd);
    SimulatorOptions options;
    options.logPath = logPath;
    Simulator simulator({device(normal, HttpMode::Normal), device(refuseFirst, HttpMode::RefuseFirst),
                            device(closed, HttpMode::Closed), device(silent, HttpMode::Silent)},
        options);
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;
    EXPECT_EQ(simulator.webServers(), 3u);

    // Asks for more than the server reads of one request, with no end.
    std::string oversized = std::string("GET ") + authority + " HTTP/1.1\r\nX-Filler: " + std::string(9000, 'a');
    struct Case {
        const char* what;
        std::uint32_t address;
        std::string request;
        const char* answer; // start of the response; "" for none
        bool connects;
    };
    const std::vector<Case> cases = {
        {"right credentials", normal, httpGet(authority, right), "HTTP/1.1 200 OK\r\n", true},
        {"second probe", normal, httpGet(serial, right), "HTTP/1.1 200 OK\r\n", true},
        {"third probe", normal, httpGet(longSerial, right), "HTTP/1.1 200 OK\r\n", true},
        {"wrong password", normal, httpGet(authority, wrong), "HTTP/1.1 401 Unauthorized\r\n", true},
        {"other user", normal, httpGet(authority, otherUser), "HTTP/1.1 401 Unauthorized\r\n", true},
        {"empty credentials", normal, httpGet(authority, ""), "HTTP/1.1 401 Unauthorized\r\n", true},
        {"no Authorization line", normal, httpGet(authority, nullptr), "HTTP/1.1 401 Unauthorized\r\n", true},
        {"other path", normal, httpGet("/index.htm", right), "HTTP/1.1 404 Not Found\r\n", true},
        {"request over the cap", normal, oversized, "HTTP/1.1 400 Bad Request\r\n", true},
        {"refuse-first, first probe", refuseFirst, httpGet(authority, right), "HTTP/1.1 401 Unauthorized\r\n", true},
        {"refuse-first, second probe", refuseFirst, httpGet(serial, right), "HTTP/1.1 200 OK\r\n", true},
        {"refuse-first, wrong password", refuseFirst, httpGet(serial, wrong), "HTTP/1.1 401 Unauthorized\r\n", true},
        {"closed", closed, httpGet(authority, right), "", false},
        {"silent", silent, httpGet(authority, right), "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The client ends its side only for the silent server, which
        // otherwise would keep the connection open for good.
        HttpExchange exchange = exchangeHttp(c.address, 80, c.request, c.address == silent);
        EXPECT_EQ(exchange.connected, c.connects);
        if (!c.connects)
            continue;
        EXPECT_TRUE(exchange.ended) << "the server closes the connection";
        EXPECT_EQ(exchange.response.substr(0, std::string(c.answer).size()), c.answer) << exchange.response;
        if (*c.answer == '\0') {
            EXPECT_EQ(exchange.response, "");
        }
    }
    simulator.stop();
    EXPECT_EQ(simulator.counts().httpRequests, 13u);

    std::ifstream log(logPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    std::remove(logPath);
    const std::vector<std::string> expected = {
        "http /vb.htm?paratest=authority 200",
        "http /vb.htm?getserialnum= 200",
        "http /vb.htm?getlongsesn= 200",
        "http /vb.htm?paratest=authority 401",
        "http /vb.htm?paratest=authority 401",
        "http /vb.htm?paratest=authority 401",
        "http /vb.htm?paratest=authority 401",
        "http /index.htm 404",
        "http /vb.htm?paratest=authority 400",
        "http /vb.htm?paratest=authority 401",
        "http /vb.htm?getserialnum= 200",
        "http /vb.htm?getserialnum= 401",
        "http /vb.htm?paratest=authority -",
    };
    EXPECT_EQ(lines, expected);
}

} // namespace
} // namespace lorvena::devsim
