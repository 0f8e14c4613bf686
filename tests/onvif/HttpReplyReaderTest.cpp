// The HTTP answer reader: delimiting by length, chunks or close; caps; broken
// answers. Each case is fed whole and byte by byte.

#include "sdk/onvif/HttpReplyReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using lorvena::onvif::HttpReplyReader;
using State = HttpReplyReader::State;

struct Outcome {
    State state;
    int status;
    std::string body;
};

Outcome read(const std::string& bytes, bool closed, std::size_t cap, bool byteByByte)
{
    HttpReplyReader reader(cap);
    State state = State::Incomplete;
    if (byteByByte) {
        for (char c : bytes) {
            state = reader.feed(std::string_view(&c, 1));
            if (state != State::Incomplete)
                break;
        }
    } else {
        state = reader.feed(bytes);
    }
    if (state == State::Incomplete && closed)
        state = reader.finish();
    return {state, reader.status(), reader.body()};
}

TEST(HttpReplyReader, DelimitsCapsAndRefuses)
{
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml\r\n";
    const struct {
        const char* name;
        std::string bytes;
        bool closed; // the peer closed after these bytes
        State state;
        int status;
        std::string body;
    } cases[] = {
        {"content length", head + "Content-Length: 5\r\n\r\nhello", false, State::Complete, 200, "hello"},
        {"content length, extra bytes ignored", head + "Content-Length: 2\r\n\r\nhello", false, State::Complete, 200,
            "he"},
        {"body until close", head + "\r\nhello", true, State::Complete, 200, "hello"},
        {"body until close, still open", head + "\r\nhello", false, State::Incomplete, 200, ""},
        {"chunked", head + "Transfer-Encoding: chunked\r\n\r\n5;ext=1\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", false,
            State::Complete, 200, "hello world"},
        {"chunked, bare LF", "HTTP/1.1 400 Bad Request\nTransfer-Encoding: Chunked\n\n3\nabc\n0\n\n", false,
            State::Complete, 400, "abc"},
        {"interim 100 skipped", "HTTP/1.1 100 Continue\r\n\r\n" + head + "Content-Length: 2\r\n\r\nok", false,
            State::Complete, 200, "ok"},
        {"short body then close", head + "Content-Length: 10\r\n\r\nhello", true, State::Bad, 200, ""},
        {"no head end then close", "HTTP/1.1 200 OK\r\nContent-", true, State::Bad, 0, ""},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", false, State::Bad, 0, ""},
        {"bad status", "HTTP/1.1 OK\r\n\r\n", false, State::Bad, 0, ""},
        {"bad length", head + "Content-Length: 12x\r\n\r\n", false, State::Bad, 0, ""},
        {"bad chunk size", head + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", false, State::Bad, 200, ""},
        {"chunk size line too long", head + "Transfer-Encoding: chunked\r\n\r\n0;" + std::string(70, 'x') + "\r\n\r\n",
            false, State::Bad, 200, ""},
        {"announced length over the cap", head + "Content-Length: 1000\r\n\r\n", false, State::TooLarge, 0, ""},
        {"chunk over the cap", head + "Transfer-Encoding: chunked\r\n\r\n400\r\n", false, State::TooLarge, 200, ""},
        {"body until close over the cap", head + "\r\n" + std::string(101, 'x'), true, State::TooLarge, 200, ""},
        {"endless header", "HTTP/1.1 200 OK\r\n" + std::string(HttpReplyReader::maxHeaderBytes + 10, 'h'), false,
            State::TooLarge, 0, ""},
    };
    for (const auto& c : cases) {
        for (bool byteByByte : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (byteByByte ? ", byte by byte" : ", whole"));
            Outcome outcome = read(c.bytes, c.closed, 100, byteByByte);
            EXPECT_EQ(outcome.state, c.state);
            if (c.state == State::Complete) {
                EXPECT_EQ(outcome.status, c.status);
                EXPECT_EQ(outcome.body, c.body);
            }
        }
    }
}

} // namespace
