#include "net/CHttpRequest.h"
#include "net/UrlParts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace lorvena {
namespace {

struct UrlCase {
    const char* url;
    const char* scheme;
    const char* host;
    int port;
    const char* path;
};

void PrintTo(const UrlCase& testCase, std::ostream* out)
{
    *out << testCase.url;
}

class UrlParsing : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlParsing, SplitsSchemeHostPortAndPath)
{
    const UrlCase& expected = GetParam();
    UrlParts parts = ParseUrl(expected.url);
    EXPECT_EQ(parts.scheme, expected.scheme);
    EXPECT_EQ(parts.host, expected.host);
    EXPECT_EQ(parts.port, expected.port);
    EXPECT_EQ(parts.path, expected.path);
}

INSTANTIATE_TEST_SUITE_P(Urls, UrlParsing,
    testing::Values(
        UrlCase {"http://192.168.1.10:8080/vb.htm?paratest=authority", "HTTP", "192.168.1.10", 8080,
            "/vb.htm?paratest=authority"},
        UrlCase {"http://192.168.1.10/vb.htm?getserialnum=", "HTTP", "192.168.1.10", 80, "/vb.htm?getserialnum="},
        UrlCase {"http://192.168.1.10", "HTTP", "192.168.1.10", 80, ""},
        UrlCase {"http://192.168.1.10:81", "HTTP", "192.168.1.10", 81, ""},
        // Scheme and host are upper-cased, the path keeps its spelling.
        UrlCase {"hTTp://camera-2.lan/Index.HTM?User=Ab", "HTTP", "CAMERA-2.LAN", 80, "/Index.HTM?User=Ab"},
        UrlCase {"ftp://192.168.1.10/firmware.bin", "FTP", "192.168.1.10", 80, "/firmware.bin"},
        // Without a colon the whole text is host and path of a plain HTTP URL.
        UrlCase {"192.168.1.10/vb.htm", "HTTP", "192.168.1.10", 80, "/vb.htm"},
        // ...but with one, whatever precedes the first colon is the scheme.
        UrlCase {"192.168.1.10:8080/vb.htm", "192.168.1.10", "8080", 80, "/vb.htm"},
        UrlCase {"http:192.168.1.10/x", "HTTP", "192.168.1.10", 80, "/x"},
        // The host ends at the first character no host name has.
        UrlCase {"http://10.0.0.1?a=1:2", "HTTP", "10.0.0.1", 80, "?a=1:2"},
        UrlCase {"http://10.0.0.1 /x", "HTTP", "10.0.0.1", 80, " /x"},
        // The port is the leading digits after the host's colon.
        UrlCase {"http://10.0.0.1:8080abc/x", "HTTP", "10.0.0.1", 8080, "/x"},
        UrlCase {"http://10.0.0.1:/x", "HTTP", "10.0.0.1", 0, "/x"},
        UrlCase {"http://10.0.0.1:99999999999/x", "HTTP", "10.0.0.1", 65536, "/x"},
        UrlCase {"", "HTTP", "", 80, ""}));

struct TimeoutCase {
    const char* url;
    long milliseconds;
};

void PrintTo(const TimeoutCase& testCase, std::ostream* out)
{
    *out << testCase.url;
}

class ReceiveTimeoutChoice : public testing::TestWithParam<TimeoutCase> {};

TEST_P(ReceiveTimeoutChoice, FollowsTheUrlText)
{
    EXPECT_EQ(CHttpRequest::ReceiveTimeoutFor(GetParam().url).count(), GetParam().milliseconds);
}

INSTANTIATE_TEST_SUITE_P(Urls, ReceiveTimeoutChoice,
    testing::Values(TimeoutCase {"http://192.168.1.10:8080/vb.htm?paratest=authority", 1000},
        TimeoutCase {"http://192.168.1.10/vb.htm?sdformat=1", 60000},
        TimeoutCase {"http://192.168.1.10/vb.htm?sdformat=2", 20000},
        TimeoutCase {"http://192.168.1.10/vb.htm?sdinfo", 20000},
        TimeoutCase {"http://192.168.1.10/vb.htm?ntp=1&timefrequency=-1", 20000},
        TimeoutCase {"http://192.168.1.10/vb.htm?getserialnum=", 1000},
        TimeoutCase {"http://192.168.1.10/VB.HTM?SDFORMAT=1", 1000},
        TimeoutCase {"http://192.168.1.10/vb.htm?setuser=admin&upgradeprocess", 1000}));

} // namespace
} // namespace lorvena
