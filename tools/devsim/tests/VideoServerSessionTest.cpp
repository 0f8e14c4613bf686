// The device side of the video-server protocol without sockets: frames are
// built here byte by byte as README.md describes them, independently of the
// simulator's own frame writer.

#include "devsim/VideoServerSession.h"

#include <gtest/gtest.h>

#include <vector>

namespace lorvena::devsim {
namespace {

std::string frame(std::uint8_t type, std::string_view payload)
{
    std::string bytes {'Z', 'V', static_cast<char>(type), '\0', static_cast<char>(payload.size()),
        static_cast<char>(payload.size() >> 8), '\0', '\0'};
    return bytes + std::string(payload);
}

std::string text(std::string_view value)
{
    return static_cast<char>(value.size()) + std::string(value);
}

std::string login(std::string_view user, std::string_view password)
{
    return frame(1, text(user) + text(password));
}

std::string update(std::uint64_t size)
{
    std::string payload;
    for (int i = 0; i < 8; ++i)
        payload += static_cast<char>(size >> (8 * i));
    return frame(5, payload);
}

std::string result(std::int32_t code)
{
    auto value = static_cast<std::uint32_t>(code);
    return frame(7, std::string {static_cast<char>(value), static_cast<char>(value >> 8),
                        static_cast<char>(value >> 16), static_cast<char>(value >> 24)});
}

SimulatedDevice server(VideoServerHostility hostile = VideoServerHostility::None)
{
    SimulatedDevice device;
    device.name = "Brama";
    device.firmware = "V2.1.0";
    device.channels = 4;
    device.password = "secret";
    device.videoServer.enabled = true;
    device.videoServer.hostile = hostile;
    device.videoServer.errorCode = 9;
    return device;
}

// Everything a conversation produced, fed in pieces of `piece` bytes.
struct Conversation {
    std::string replies;
    std::vector<bool> logins;
    std::string package;
    bool packageComplete = false;
    std::optional<bool> updateEnded;
    bool closed = false;
    bool badFrame = false;
};

Conversation talk(VideoServerSession& session, std::string_view bytes, std::size_t piece)
{
    Conversation result;
    for (std::size_t at = 0; at < bytes.size() && !result.closed; at += piece) {
        VideoServerSession::Step step = session.take(bytes.substr(at, piece));
        result.replies += step.reply;
        if (step.login)
            result.logins.push_back(*step.login);
        result.package += step.package;
        result.packageComplete = result.packageComplete || step.packageComplete;
        result.updateEnded = step.updateEnded ? step.updateEnded : result.updateEnded;
        result.closed = step.close;
        result.badFrame = result.badFrame || step.badFrame;
    }
    return result;
}

TEST(VideoServerSession, AnswersLoginInformationAndUpdates)
{
    const std::string okLogin = login("admin", "secret");
    const std::string accepted = frame(2, std::string(1, '\0'));
    const std::string refused = frame(2, "\x01");
    const std::string info = frame(4, text("Brama") + text("V2.1.0") + "\x04");
    const std::string data(1001, '\xA5');
    struct Case {
        const char* what;
        VideoServerHostility hostile;
        std::string sent;
        std::string replies;
        std::vector<bool> logins;
        std::string package;
        bool complete;
        std::optional<bool> ended;
        bool closed;
        bool bad;
    };
    const std::vector<Case> cases = {
        {"login and information", VideoServerHostility::None, okLogin + frame(3, ""), accepted + info, {true}, "",
            false, std::nullopt, false, false},
        {"wrong password", VideoServerHostility::None, login("admin", "secreT") + frame(3, ""), refused, {false}, "",
            false, std::nullopt, true, false},
        {"other user", VideoServerHostility::None, login("root", "secret"), refused, {false}, "", false, std::nullopt,
            true, false},
        {"refuses every login", VideoServerHostility::RefuseLogin, okLogin, refused, {false}, "", false, std::nullopt,
            true, false},
        {"update", VideoServerHostility::None, okLogin + update(data.size()) + data, accepted, {true}, data, true,
            std::nullopt, false, false},
        {"closes half-way", VideoServerHostility::CloseMidTransfer, okLogin + update(data.size()) + data, accepted,
            {true}, data.substr(0, 500), false, false, true, false},
        {"empty update", VideoServerHostility::None, okLogin + update(0), accepted + result(2), {true}, "", false,
            false, false, false},
        {"update too large", VideoServerHostility::None, okLogin + update(0x20000001), accepted + result(3), {true}, "",
            false, false, true, false},
        {"information before login", VideoServerHostility::None, frame(3, ""), "", {}, "", false, std::nullopt, true,
            true},
        {"update before login", VideoServerHostility::None, update(4) + "abcd", "", {}, "", false, std::nullopt, true,
            true},
        {"wrong magic", VideoServerHostility::None, "ZW" + okLogin.substr(2), "", {}, "", false, std::nullopt, true,
            true},
        {"payload over the cap", VideoServerHostility::None, std::string("ZV\x01\x00\x01\x04\x00\x00", 8), "", {}, "",
            false, std::nullopt, true, true},
        {"server frame from the client", VideoServerHostility::None, okLogin + result(0), accepted, {true}, "", false,
            std::nullopt, true, true},
        {"login with a short payload", VideoServerHostility::None, frame(1, "\x05" "adm"), "", {}, "", false,
            std::nullopt, true, true},
    };
    for (const Case& c : cases) {
        for (std::size_t piece : {c.sent.size(), std::size_t {1}, std::size_t {5}}) {
            SCOPED_TRACE(std::string(c.what) + ", pieces of " + std::to_string(piece));
            VideoServerSession session(server(c.hostile));
            Conversation conversation = talk(session, c.sent, piece);
            EXPECT_EQ(conversation.replies, c.replies);
            EXPECT_EQ(conversation.logins, c.logins);
            EXPECT_EQ(conversation.package, c.package);
            EXPECT_EQ(conversation.packageComplete, c.complete);
            EXPECT_EQ(conversation.updateEnded, c.ended);
            EXPECT_EQ(conversation.closed, c.closed);
            EXPECT_EQ(conversation.badFrame, c.bad);
        }
    }
}

TEST(VideoServerSession, ReportsTheWritingAndTakesFramesAgainAfterIt)
{
    struct Case {
        VideoServerHostility hostile;
        std::string result;
    };
    const std::vector<Case> cases = {
        {VideoServerHostility::None, result(0)}, {VideoServerHostility::ErrorAtEnd, result(9)}};
    for (const Case& c : cases) {
        VideoServerSession session(server(c.hostile));
        Conversation first = talk(session, login("admin", "secret") + update(3) + "abc", 1);
        ASSERT_TRUE(first.packageComplete);
        EXPECT_TRUE(session.updating());
        EXPECT_EQ(talk(session, frame(3, ""), 1).replies, "") << "nothing is answered while the device writes";
        EXPECT_EQ(session.progressFrame(40), frame(6, "\x28"));
        EXPECT_EQ(session.resultFrame(), c.result);
        session.writingDone();
        EXPECT_FALSE(session.updating());
        EXPECT_EQ(talk(session, frame(3, ""), 1).replies, frame(4, text("Brama") + text("V2.1.0") + "\x04"));
    }
}

} // namespace
} // namespace lorvena::devsim
