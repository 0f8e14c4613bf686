#include "net/CHttpRequest.h"

#include "net/FullBacklogListener.h"
#include "net/LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::Answer;
using testing_support::AnswerAndHold;
using testing_support::AnswerInPieces;
using testing_support::Flood;
using testing_support::LoopbackServer;

// Long enough never to end a reading in these tests: every scripted device
// closes, except where the test sets a short one on purpose.
const HttpTimings patient {2000ms, 10s};

const std::string fixedLines = "Accept: */*\r\n"
                               "Accept-Language: en-us\r\n"
                               "Accept-Encoding: gzip, default\r\n"
                               "User-Agent: http client\r\n";

const std::string okHeader = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";

std::string hostPort(const LoopbackServer& server)
{
    return ":" + std::to_string(server.port());
}

// What goes over the wire, captured by the device side.

struct WireCase {
    const char* name;
    const char* host; // as written in the URL; all of them mean 127.0.0.1
    const char* path;
    const char* body; // null for GET
    std::string authorization;
    std::string expectedAfterRequestLine; // from Authorization on
};

void PrintTo(const WireCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class RequestOnTheWire : public testing::TestWithParam<WireCase> {};

TEST_P(RequestOnTheWire, IsSentByteForByteAndHandedBack)
{
    const WireCase& c = GetParam();
    LoopbackServer server({Answer(okHeader + "done")});
    std::string url = std::string("http://") + c.host + hostPort(server) + c.path;
    const std::uint8_t* body = reinterpret_cast<const std::uint8_t*>(c.body);
    std::size_t bodyLength = c.body == nullptr ? 0 : std::char_traits<char>::length(c.body);

    HttpResult result;
    CHttpRequest http(patient);
    ASSERT_EQ(http.Request(url, nullptr, body, bodyLength, result, c.authorization), 0);

    std::string requestLine = std::string(c.body == nullptr ? "GET " : "POST ") + c.path + " HTTP/1.1\r\n";
    std::string expected = requestLine + fixedLines + c.expectedAfterRequestLine;
    EXPECT_EQ(server.finish(), std::vector<std::string> {expected});
    EXPECT_EQ(result.request, expected);
    EXPECT_EQ(result.header, okHeader);
    EXPECT_EQ(result.body, "done");
}

INSTANTIATE_TEST_SUITE_P(Requests, RequestOnTheWire,
    testing::Values(
        WireCase {"GetWithCredentials", "127.0.0.1", "/vb.htm?paratest=authority", nullptr, "YWRtaW46MTIzNDU2",
            "Authorization: Basic YWRtaW46MTIzNDU2\r\nHost: 127.0.0.1\r\n\r\n"},
        WireCase {"GetWithoutCredentials", "127.0.0.1", "/vb.htm?getserialnum=", nullptr, "",
            "Authorization: Basic \r\nHost: 127.0.0.1\r\n\r\n"},
        WireCase {"PathKeepsItsCase", "127.0.0.1", "/Mixed/Case.htm", nullptr, "QQ==",
            "Authorization: Basic QQ==\r\nHost: 127.0.0.1\r\n\r\n"},
        WireCase {"PostWithBody", "127.0.0.1", "/vb.htm", "name=cam&id=7", "QQ==",
            "Authorization: Basic QQ==\r\nContent-Length: 13\r\nHost: 127.0.0.1\r\n\r\nname=cam&id=7"}));

TEST(RequestOnTheWire, UrlWithoutPathAsksForRoot)
{
    LoopbackServer server({Answer(okHeader)});
    HttpResult result;
    CHttpRequest http(patient);
    ASSERT_EQ(http.Request(server.url(""), nullptr, nullptr, 0, result, ""), 0);
    EXPECT_EQ(server.finish().at(0).substr(0, 16), "GET / HTTP/1.1\r\n");
}

TEST(RequestOnTheWire, ExtraHeadersGoOutVerbatimAfterHost)
{
    LoopbackServer server({Answer(okHeader)});
    HttpResult result;
    CHttpRequest http(patient);
    ASSERT_EQ(http.Request(server.url("/x"), "Cookie: a=b\r\n", nullptr, 0, result, "QQ=="), 0);
    EXPECT_EQ(server.finish().at(0), "GET /x HTTP/1.1\r\n" + fixedLines
            + "Authorization: Basic QQ==\r\nHost: 127.0.0.1\r\nCookie: a=b\r\n\r\n");
}

// How the answer is split into header and body.

struct AnswerCase {
    const char* name;
    std::string sent;
    std::string header;
    std::string body;
};

void PrintTo(const AnswerCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class AnswerReading : public testing::TestWithParam<AnswerCase> {};

TEST_P(AnswerReading, SplitsAtTheEmptyLineAndReadsTheBodyUntilClose)
{
    LoopbackServer server({Answer(GetParam().sent)});
    HttpResult result;
    CHttpRequest http(patient);
    ASSERT_EQ(http.Request(server.url("/vb.htm?paratest=authority"), nullptr, nullptr, 0, result, "QQ=="), 0);
    EXPECT_EQ(result.header, GetParam().header);
    EXPECT_EQ(result.body, GetParam().body);
}

const std::string binaryBody("\x00\x01\xff\r\n\r\nafter", 11);

INSTANTIATE_TEST_SUITE_P(Answers, AnswerReading,
    testing::Values(AnswerCase {"OkWithBody", okHeader + "paratest=ok\r\n", okHeader, "paratest=ok\r\n"},
        AnswerCase {"Unauthorized", "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"cam\"\r\n\r\n",
            "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"cam\"\r\n\r\n", ""},
        AnswerCase {"BareLineFeeds", "HTTP/1.0 200 OK\nServer: x\n\nbody", "HTTP/1.0 200 OK\nServer: x\n\n", "body"},
        AnswerCase {"BodyBytesAreKeptRaw", okHeader + binaryBody, okHeader, binaryBody},
        AnswerCase {"ClosedInsideTheHeader", "HTTP/1.1 200 OK\r\nServ", "HTTP/1.1 200 OK\r\nServ", ""},
        AnswerCase {"NothingAtAll", "", "", ""},
        AnswerCase {"LargeBody", okHeader + std::string(100000, 'z'), okHeader, std::string(100000, 'z')}));

// A header arriving in pieces: a line, and the empty line, may end in a
// later piece than they began.
TEST(AnswerReading, HeaderInPiecesEndsAtItsEmptyLineOnly)
{
    LoopbackServer server({AnswerInPieces({"HTTP/1.1 200 OK\r\nServer: x", "\r\n", "\r", "\nbody", " end"})});
    HttpResult result;
    CHttpRequest http(patient);
    ASSERT_EQ(http.Request(server.url("/vb.htm?paratest=authority"), nullptr, nullptr, 0, result, "QQ=="), 0);
    EXPECT_EQ(result.header, "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n");
    EXPECT_EQ(result.body, "body end");
}

TEST(AnswerReading, DeviceThatKeepsTheConnectionEndsByTheReceiveTimeout)
{
    LoopbackServer server({AnswerAndHold(okHeader + "partial")});
    HttpResult result;
    CHttpRequest http(HttpTimings {2000ms, 200ms});
    ASSERT_EQ(http.Request(server.url("/vb.htm?getserialnum="), nullptr, nullptr, 0, result, ""), 0);
    EXPECT_EQ(result.header, okHeader);
    EXPECT_EQ(result.body, "partial");
}

TEST(AnswerCaps, EndlessHeaderIsCutAndTheRequestStillSucceeds)
{
    const std::string start = "HTTP/1.1 200 OK\r\nX-Filler: ";
    LoopbackServer server({Flood(start, 'h')});
    HttpResult result;
    CHttpRequest http(patient);
    ASSERT_EQ(http.Request(server.url("/"), nullptr, nullptr, 0, result, ""), 0);
    ASSERT_EQ(result.header.size(), CHttpRequest::maxHeaderBytes);
    EXPECT_EQ(result.header.substr(0, start.size()), start);
    EXPECT_EQ(result.header.find_first_not_of('h', start.size()), std::string::npos);
    EXPECT_EQ(result.body, "");
}

TEST(AnswerCaps, EndlessBodyIsCutAndTheRequestStillSucceeds)
{
    LoopbackServer server({Flood(okHeader, 'b')});
    HttpResult result;
    CHttpRequest http(patient);
    ASSERT_EQ(http.Request(server.url("/"), nullptr, nullptr, 0, result, ""), 0);
    EXPECT_EQ(result.header, okHeader);
    ASSERT_EQ(result.body.size(), CHttpRequest::maxBodyBytes);
    EXPECT_EQ(result.body.find_first_not_of('b'), std::string::npos);
}

// Failures: 1, and nothing in the result.

void expectFailure(CHttpRequest& http, const std::string& url, const char* extraHeaders = nullptr,
    const std::string& authorization = "")
{
    HttpResult result {"stale", "stale", "stale"};
    EXPECT_EQ(http.Request(url, extraHeaders, nullptr, 0, result, authorization), 1) << url;
    EXPECT_EQ(result.request, "");
    EXPECT_EQ(result.header, "");
    EXPECT_EQ(result.body, "");
}

TEST(RequestFailure, TooLongRequestFailsWithoutContactingTheDevice)
{
    LoopbackServer server({Answer(okHeader)});
    CHttpRequest http(patient);
    const std::string longHeader = "X-Long: " + std::string(4096, 'x') + "\r\n";
    expectFailure(http, server.url("/" + std::string(2046, 'p')), longHeader.c_str());
    expectFailure(http, server.url("/vb.htm"), nullptr, std::string(4000, 'A'));

    // The first connection the device sees is the next, valid request.
    HttpResult result;
    ASSERT_EQ(http.Request(server.url("/next"), nullptr, nullptr, 0, result, ""), 0);
    EXPECT_EQ(server.finish(), std::vector<std::string> {result.request});
}

TEST(RequestFailure, UrlsThatCannotBeRequestedFail)
{
    CHttpRequest http(patient);
    expectFailure(http, "ftp://127.0.0.1/firmware.bin");
    expectFailure(http, "192.168.1.10:8080/vb.htm"); // read as the scheme "192.168.1.10"
    expectFailure(http, "http://127.0.0.1:70000/");
    expectFailure(http, "http://" + std::string(2048, 'h') + "/");
}

// The host comes from a device's reply: a name (looked up, it could lead
// anywhere) or an address form other than a plain dotted quad gets no
// connection and so no credentials, even where it would reach a listener.
TEST(RequestFailure, AHostThatIsNotADeviceAddressIsNeverContacted)
{
    LoopbackServer server({Answer(okHeader)});
    CHttpRequest http(patient);
    for (const char* host : {"localhost", "LOCALHOST", "0x7f.0.0.1", "127.1", "2130706433", "0.0.0.0"})
        expectFailure(http, "http://" + std::string(host) + hostPort(server) + "/vb.htm?paratest=authority", nullptr,
            "YWRtaW46MTIzNDU2");

    HttpResult result;
    ASSERT_EQ(http.Request(server.url("/next"), nullptr, nullptr, 0, result, ""), 0);
    EXPECT_EQ(server.finish(), std::vector<std::string> {result.request}) << "the first connection is the last request";
}

TEST(RequestFailure, RefusedConnectionFails)
{
    // Bound but not listening: the port answers every connection with a reset.
    UniqueFd closedPort(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(closedPort.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(closedPort.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);

    CHttpRequest http(patient);
    expectFailure(http, "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/");
}

TEST(RequestFailure, DeviceThatNeverAcceptsFailsAfterTheConnectTimeout)
{
    testing_support::FullBacklogListener silent;
    ASSERT_TRUE(silent.ready());
    CHttpRequest http(HttpTimings {200ms, 10s});
    expectFailure(http, "http://127.0.0.1:" + std::to_string(silent.port()) + "/vb.htm?paratest=authority");
}

} // namespace
} // namespace lorvena
