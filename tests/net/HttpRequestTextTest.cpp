#include "net/HttpRequestText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace lorvena {
namespace {

// The fixed lines every request carries between the request line and the
// Authorization line.
const std::string fixedLines = "Accept: */*\r\n"
                               "Accept-Language: en-us\r\n"
                               "Accept-Encoding: gzip, default\r\n"
                               "User-Agent: http client\r\n";

UrlParts device(std::string path)
{
    return UrlParts {"HTTP", "192.168.1.10", 8080, std::move(path)};
}

const std::uint8_t* bytes(const char* text)
{
    return reinterpret_cast<const std::uint8_t*>(text);
}

struct TextCase {
    const char* name;
    std::string path;
    const char* extraHeaders;
    const std::uint8_t* body;
    std::size_t bodyLength;
    std::string authorization;
    std::string expected;
};

void PrintTo(const TextCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class RequestText : public testing::TestWithParam<TextCase> {};

TEST_P(RequestText, IsExactlyTheFixedLinesInOrder)
{
    const TextCase& c = GetParam();
    auto text = BuildRequestText(device(c.path), c.extraHeaders, c.body, c.bodyLength, c.authorization);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Requests, RequestText,
    testing::Values(
        TextCase {"GetWithCredentials", "/vb.htm?paratest=authority", nullptr, nullptr, 0, "YWRtaW46MTIzNDU2",
            "GET /vb.htm?paratest=authority HTTP/1.1\r\n" + fixedLines
                + "Authorization: Basic YWRtaW46MTIzNDU2\r\nHost: 192.168.1.10\r\n\r\n"},
        TextCase {"GetWithoutCredentials", "/vb.htm?getserialnum=", nullptr, nullptr, 0, "",
            "GET /vb.htm?getserialnum= HTTP/1.1\r\n" + fixedLines + "Authorization: Basic \r\nHost: 192.168.1.10\r\n\r\n"},
        TextCase {"EmptyPathAsksForRoot", "", nullptr, nullptr, 0, "QQ==",
            "GET / HTTP/1.1\r\n" + fixedLines + "Authorization: Basic QQ==\r\nHost: 192.168.1.10\r\n\r\n"},
        TextCase {"ExtraHeadersFollowHostVerbatim", "/", "X-One: 1\r\nX-Two: 2\r\n", nullptr, 0, "",
            "GET / HTTP/1.1\r\n" + fixedLines + "Authorization: Basic \r\nHost: 192.168.1.10\r\nX-One: 1\r\nX-Two: 2\r\n\r\n"},
        TextCase {"EmptyExtraHeadersAddNothing", "/", "", nullptr, 0, "",
            "GET / HTTP/1.1\r\n" + fixedLines + "Authorization: Basic \r\nHost: 192.168.1.10\r\n\r\n"},
        TextCase {"PostCarriesLengthAndBody", "/cgi", nullptr, bytes("a=1&b=22"), 8, "",
            "POST /cgi HTTP/1.1\r\n" + fixedLines
                + "Authorization: Basic \r\nContent-Length: 8\r\nHost: 192.168.1.10\r\n\r\na=1&b=22"},
        TextCase {"PostOfEmptyBodyHasNoLength", "/cgi", nullptr, bytes(""), 0, "",
            "POST /cgi HTTP/1.1\r\n" + fixedLines + "Authorization: Basic \r\nHost: 192.168.1.10\r\n\r\n"},
        // The length line follows the length alone, even without a body.
        TextCase {"LengthWithoutBodyStaysGet", "/", nullptr, nullptr, 5, "",
            "GET / HTTP/1.1\r\n" + fixedLines + "Authorization: Basic \r\nContent-Length: 5\r\nHost: 192.168.1.10\r\n\r\n"},
        // The body is text: it ends at its first zero byte.
        TextCase {"BodyEndsAtZeroByte", "/cgi", nullptr, bytes("ab\0cd"), 5, "",
            "POST /cgi HTTP/1.1\r\n" + fixedLines
                + "Authorization: Basic \r\nContent-Length: 5\r\nHost: 192.168.1.10\r\n\r\nab"},
        TextCase {"BodyEndsAtItsLength", "/cgi", nullptr, bytes("abcdef"), 3, "",
            "POST /cgi HTTP/1.1\r\n" + fixedLines
                + "Authorization: Basic \r\nContent-Length: 3\r\nHost: 192.168.1.10\r\n\r\nabc"}));

TEST(RequestTextSize, FillsTheBufferUpToItsTerminatingZeroAndNoFurther)
{
    const std::size_t shortest = BuildRequestText(device("/"), nullptr, nullptr, 0, "")->size();
    const std::string fitting = "/" + std::string(requestBufferBytes - 1 - shortest, 'x');

    auto largest = BuildRequestText(device(fitting), nullptr, nullptr, 0, "");
    ASSERT_TRUE(largest.has_value());
    EXPECT_EQ(largest->size(), requestBufferBytes - 1);

    EXPECT_FALSE(BuildRequestText(device(fitting + "x"), nullptr, nullptr, 0, "").has_value());
    EXPECT_FALSE(BuildRequestText(device(fitting), "X: y\r\n", nullptr, 0, "").has_value());
    EXPECT_FALSE(BuildRequestText(device(fitting), nullptr, nullptr, 0, "Z").has_value());
}

TEST(RequestTextSize, CountsTheBodyToo)
{
    const std::string body(requestBufferBytes, 'b');
    EXPECT_FALSE(BuildRequestText(device("/"), nullptr, bytes(body.c_str()), body.size(), "").has_value());
}

} // namespace
} // namespace lorvena
