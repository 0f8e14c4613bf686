// The extended exchange on real sockets inside the test's loopback namespace.
// A scripted device on the search port takes the request and answers from
// 127.0.0.1 (the device's current address) or from 127.0.0.2 (someone else).

#include "config/ExtendedExchange.h"
#include "config/UdpPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace lorvena {
namespace {

using namespace testing_support;
using std::chrono::milliseconds;

constexpr std::uint16_t searchPort = 6789;
constexpr std::uint32_t device = loopback1;
constexpr std::uint32_t stranger = loopback2;

// Waits that never pass in a passing test, and short ones where the test
// expects the device to stay silent.
constexpr ExchangeTimings patient {milliseconds(10000), milliseconds(30000)};
constexpr ExchangeTimings impatient {milliseconds(100), milliseconds(30000)};

ModifyValues values()
{
    ModifyValues result;
    result.currentIpText = "127.0.0.1";
    result.newIp = 0xC0A80106;
    result.mask = 0xFFFFFF00;
    result.gateway = 0xC0A80101;
    result.dns = 0x08080808;
    result.macText = "00:1A:2B:3C:4D:5E";
    result.httpPort = 80;
    result.rtspPort = 554;
    result.userName = "admin";
    result.password = "secret";
    return result;
}

std::vector<std::uint8_t> expectedRequest()
{
    auto packet = buildExtendedModifyRequest(values());
    return {packet.begin(), packet.end()};
}

AddressSource addresses(std::vector<std::uint32_t> list)
{
    return [list] { return list; };
}

// The device's answer as devices lay it out: magic, command 13, the status,
// its address text at 16 and its MAC text at 32.
std::vector<std::uint8_t> answer(std::uint8_t value, std::string mac = "00:1A:2B:3C:4D:5E",
    std::string magic = "searching..", std::uint8_t command = 13)
{
    std::vector<std::uint8_t> reply(64, 0);
    std::copy(magic.begin(), magic.end(), reply.begin());
    reply[12] = command;
    reply[13] = value;
    const std::string address = "127.0.0.1";
    std::copy(address.begin(), address.end(), reply.begin() + 16);
    std::copy(mac.begin(), mac.end(), reply.begin() + 32);
    return reply;
}

std::vector<std::uint8_t> status(std::uint8_t value)
{
    return answer(value);
}

std::vector<std::uint8_t> firstBytes(std::vector<std::uint8_t> bytes, std::size_t count)
{
    bytes.resize(count);
    return bytes;
}

struct Reply {
    std::uint32_t from;
    std::vector<std::uint8_t> bytes;
};

// Takes `requestCount` requests on the search port, then sends its replies, in
// order, to the socket the last request came from.
class ScriptedDevice {
public:
    ScriptedDevice(std::size_t requestCount, std::vector<Reply> replies)
        : listener_(0, searchPort), requestCount_(requestCount), replies_(std::move(replies))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedDevice() { join(); }

    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    bool listening() const { return listener_.valid(); }
    // Read after join().
    const std::vector<UdpPeer::Datagram>& requests() const { return requests_; }

private:
    void run()
    {
        while (requests_.size() < requestCount_) {
            auto request = listener_.receive();
            if (!request)
                return;
            requests_.push_back(std::move(*request));
        }
        if (requests_.empty())
            return;
        for (const Reply& reply : replies_) {
            UdpPeer sender(reply.from, 0);
            sender.sendTo(requests_.back().senderAddress, requests_.back().senderPort, reply.bytes);
        }
    }

    UdpPeer listener_;
    std::size_t requestCount_;
    std::vector<Reply> replies_;
    std::vector<UdpPeer::Datagram> requests_;
    std::thread thread_;
};

struct ExchangeCase {
    const char* name;
    std::vector<Reply> replies;
    ExchangeTimings timings;
    ExchangeOutcome outcome;
};

void PrintTo(const ExchangeCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class DeviceAnswer : public testing::TestWithParam<ExchangeCase> {};

TEST_P(DeviceAnswer, GivesTheOutcome)
{
    const ExchangeCase& testCase = GetParam();
    ScriptedDevice scripted(1, testCase.replies);
    ASSERT_TRUE(scripted.listening());

    ExchangeOutcome outcome = ExtendedExchange(values(), addresses({loopback1}), testCase.timings);
    scripted.join();

    EXPECT_EQ(outcome, testCase.outcome);
    ASSERT_EQ(scripted.requests().size(), 1u);
    EXPECT_EQ(scripted.requests()[0].bytes, expectedRequest());
    EXPECT_EQ(scripted.requests()[0].senderAddress, loopback1);
}

INSTANTIATE_TEST_SUITE_P(Replies, DeviceAnswer,
    testing::Values(ExchangeCase {"Accepted", {{device, status(0)}}, patient, ExchangeOutcome::Accepted},
        ExchangeCase {"WrongPassword", {{device, status(16)}}, patient, ExchangeOutcome::WrongPassword},
        ExchangeCase {"OtherStatusRefused", {{device, status(7)}}, patient, ExchangeOutcome::Refused},
        ExchangeCase {"NoStatusByteRefused", {{device, firstBytes(status(0), 13)}}, patient, ExchangeOutcome::Refused},
        // A verdict only from the device asked: its magic, its command, and
        // its MAC where the reply names one. Anything else is someone else's.
        ExchangeCase {"WrongMagicIgnored", {{device, answer(0, "00:1A:2B:3C:4D:5E", "search.....")}, {device, status(16)}},
            patient, ExchangeOutcome::WrongPassword},
        ExchangeCase {"WrongCommandIgnored", {{device, answer(0, "00:1A:2B:3C:4D:5E", "searching..", 3)}},
            impatient, ExchangeOutcome::Timeout},
        ExchangeCase {"ZerosIgnored", {{device, std::vector<std::uint8_t>(64, 0)}, {device, status(16)}}, patient,
            ExchangeOutcome::WrongPassword},
        // A second device at the same address (two factory-default cameras).
        ExchangeCase {"OtherMacIgnored", {{device, answer(0, "00:1A:2B:3C:4D:99")}}, impatient,
            ExchangeOutcome::Timeout},
        ExchangeCase {"MacInOtherSpellingAccepted", {{device, answer(0, "00-1a-2b-3c-4d-5e")}}, patient,
            ExchangeOutcome::Accepted},
        ExchangeCase {"ShortReplyWithoutMacCounts", {{device, firstBytes(status(0), 14)}}, patient,
            ExchangeOutcome::Accepted},
        // Only the device's own answer counts; the stranger's "accepted" is ignored.
        ExchangeCase {"StrangerIgnored", {{stranger, status(0)}, {device, status(16)}}, patient,
            ExchangeOutcome::WrongPassword},
        ExchangeCase {"EmptyDatagramIgnored", {{device, {}}, {device, status(16)}}, patient,
            ExchangeOutcome::WrongPassword},
        ExchangeCase {"OnlyAStrangerAnswers", {{stranger, status(0)}}, impatient, ExchangeOutcome::Timeout},
        ExchangeCase {"SilentDevice", {}, impatient, ExchangeOutcome::Timeout}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ExtendedExchange, SendsFromEveryLocalAddressAndListensOnAll)
{
    // The device answers the copy that came from 127.0.0.2: the exchange must
    // be listening there too, not only where the first copy left.
    ScriptedDevice scripted(2, {{device, status(0)}});
    ASSERT_TRUE(scripted.listening());

    ExchangeOutcome outcome = ExtendedExchange(values(), addresses({loopback1, loopback2}), patient);
    scripted.join();

    EXPECT_EQ(outcome, ExchangeOutcome::Accepted);
    ASSERT_EQ(scripted.requests().size(), 2u);
    EXPECT_EQ(scripted.requests()[0].bytes, expectedRequest());
    EXPECT_EQ(scripted.requests()[1].bytes, expectedRequest());
    EXPECT_NE(scripted.requests()[0].senderAddress, scripted.requests()[1].senderAddress);
}

TEST(ExtendedExchange, WithoutLocalAddressesSendsNothingAndTimesOut)
{
    UdpPeer listener(0, searchPort);
    ASSERT_TRUE(listener.valid());

    EXPECT_EQ(ExtendedExchange(values(), addresses({}), impatient), ExchangeOutcome::Timeout);
    EXPECT_EQ(ExtendedExchange(values(), AddressSource {}, impatient), ExchangeOutcome::Timeout);

    // The first thing the listener hears is the marker sent afterwards.
    const std::vector<std::uint8_t> marker {'e', 'n', 'd'};
    ASSERT_TRUE(UdpPeer(loopback1, 0).sendTo(loopback1, searchPort, marker));
    auto first = listener.receive();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, marker);
}

// Sends datagrams from the stranger to the exchange's socket, one every
// `interval`, `count` times or until stopped; then the device's "accepted".
class Streamer {
public:
    Streamer(int count, milliseconds interval) : listener_(0, searchPort)
    {
        thread_ = std::thread([this, count, interval] {
            auto request = listener_.receive();
            if (!request)
                return;
            UdpPeer from(stranger, 0);
            for (int i = 0; i < count && !stop_; ++i) {
                from.sendTo(request->senderAddress, request->senderPort, status(0));
                ++sent_;
                std::this_thread::sleep_for(interval);
            }
            if (!stop_)
                UdpPeer(device, 0).sendTo(request->senderAddress, request->senderPort, status(0));
        });
    }
    ~Streamer() { stopAndJoin(); }

    void stopAndJoin()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    bool listening() const { return listener_.valid(); }
    int sent() const { return sent_; }

private:
    UdpPeer listener_;
    std::atomic<bool> stop_ {false};
    std::atomic<int> sent_ {0};
    std::thread thread_;
};

TEST(ExtendedExchange, StrangersCannotHoldItBeyondTheWholeLimit)
{
    // Every stranger's datagram restarts the 10-second wait; only the whole
    // limit ends the exchange. Were it ignored, the device's "accepted" after
    // the stream would end it instead.
    Streamer streamer(2500, milliseconds(2));
    ASSERT_TRUE(streamer.listening());

    ExchangeOutcome outcome = ExtendedExchange(values(), addresses({loopback1}), {milliseconds(10000), milliseconds(200)});
    streamer.stopAndJoin();

    EXPECT_EQ(outcome, ExchangeOutcome::Timeout);
    EXPECT_GT(streamer.sent(), 0);
}

TEST(ExtendedExchange, EachIgnoredDatagramStartsTheWaitAgain)
{
    // The stream lasts about twice the wait, with gaps far shorter than it;
    // the device answers at its end. A wait that did not start again would
    // run out halfway through.
    Streamer streamer(40, milliseconds(25));
    ASSERT_TRUE(streamer.listening());

    ExchangeOutcome outcome = ExtendedExchange(values(), addresses({loopback1}), {milliseconds(500), milliseconds(30000)});
    streamer.stopAndJoin();

    EXPECT_EQ(outcome, ExchangeOutcome::Accepted);
}

} // namespace
} // namespace lorvena
