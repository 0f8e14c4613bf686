#include "net/Fetch.h"

#include "net/LoopbackServer.h"

#include <gtest/gtest.h>

#include <string>

namespace lorvena {
namespace {

using namespace std::chrono_literals;

// Records how Fetch calls the request and answers as scripted.
class ScriptedRequest : public CHttpRequest {
public:
    int Request(const std::string& url, const char* extraHeaders, const std::uint8_t* body,
        std::size_t bodyLength, HttpResult& result, const std::string& authorization) override
    {
        ++calls;
        seenUrl = url;
        seenExtraHeaders = extraHeaders;
        seenBody = body;
        seenBodyLength = bodyLength;
        seenAuthorization = authorization;
        result = answer;
        return code;
    }

    int code = 0;
    HttpResult answer {"GET / HTTP/1.1\r\n\r\n", "HTTP/1.1 200 OK\r\n\r\n", std::string("ok\0!", 4)};
    int calls = 0;
    std::string seenUrl;
    const char* seenExtraHeaders = "unset";
    const std::uint8_t* seenBody = reinterpret_cast<const std::uint8_t*>("unset");
    std::size_t seenBodyLength = 99;
    std::string seenAuthorization;
};

TEST(Fetch, IsAPlainGetAndDeliversTheThreeTexts)
{
    ScriptedRequest http;
    std::string request, header, body;
    EXPECT_EQ(Fetch(http, "http://10.1.1.1/vb.htm?getserialnum=", "YWRtaW46", request, header, body), 1);
    EXPECT_EQ(http.calls, 1);
    EXPECT_EQ(http.seenUrl, "http://10.1.1.1/vb.htm?getserialnum=");
    EXPECT_EQ(http.seenExtraHeaders, nullptr);
    EXPECT_EQ(http.seenBody, nullptr);
    EXPECT_EQ(http.seenBodyLength, 0u);
    EXPECT_EQ(http.seenAuthorization, "YWRtaW46");
    EXPECT_EQ(request, http.answer.request);
    EXPECT_EQ(header, http.answer.header);
    EXPECT_EQ(body, http.answer.body);
}

TEST(Fetch, FailureReportsZeroAndLeavesTheTextsAlone)
{
    ScriptedRequest http;
    http.code = 1;
    std::string request = "r", header = "h", body = "b";
    EXPECT_EQ(Fetch(http, "http://10.1.1.1/", "", request, header, body), 0);
    EXPECT_EQ(request, "r");
    EXPECT_EQ(header, "h");
    EXPECT_EQ(body, "b");
}

TEST(Fetch, AgainstADevice)
{
    const std::string answer = "HTTP/1.1 200 OK\r\nServer: cam\r\n\r\nserialnum=A1B2C3\r\n";
    testing_support::LoopbackServer server({testing_support::Answer(answer)});
    CHttpRequest http(HttpTimings {2000ms, 10s});
    std::string request, header, body;
    ASSERT_EQ(Fetch(http, server.url("/vb.htm?getserialnum="), "QQ==", request, header, body), 1);
    EXPECT_EQ(server.finish(), std::vector<std::string> {request});
    EXPECT_EQ(request.substr(0, 34), "GET /vb.htm?getserialnum= HTTP/1.1");
    EXPECT_EQ(header, "HTTP/1.1 200 OK\r\nServer: cam\r\n\r\n");
    EXPECT_EQ(body, "serialnum=A1B2C3\r\n");
}

} // namespace
} // namespace lorvena
