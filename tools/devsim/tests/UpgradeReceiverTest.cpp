// The device side of a firmware upload, fed bytes without sockets: the
// command's parsing, the stream it records, its replies and what hostile
// devices do. Every stream is fed at once, byte by byte and in uneven
// pieces, and must give the same result each way.

#include "devsim/UpgradeReceiver.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace lorvena::devsim {
namespace {

std::string command(std::string_view digits)
{
    return "CMD:UPGRADE MCTP/1.0 CS\n@" + std::string(digits) + "@\nEND\n";
}

std::string sizeField(std::uint32_t value)
{
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
        static_cast<char>(value >> 24)};
}

std::string package(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return bytes;
}

TEST(UpgradeCommand, ReadsOnlyTheExactCommand)
{
    using Status = UpgradeCommand::Status;
    struct Case {
        const char* what;
        std::string bytes;
        Status status;
        std::uint32_t length;
        std::size_t size;
    };
    const std::string full = command("1048576");
    const std::vector<Case> cases = {
        {"1 MiB: 38 bytes", full, Status::Complete, 1048576, 38},
        {"longest length: 41 bytes", command("4294967295"), Status::Complete, 4294967295u, 41},
        {"followed by data", full + "\x01\x02", Status::Complete, 1048576, 38},
        {"leading zero", command("0074565"), Status::Complete, 74565, 38},
        {"zero length", command("0"), Status::Complete, 0, 32},
        {"empty", "", Status::Incomplete, 0, 0},
        {"head only", "CMD:UPGRADE MCTP/1.0 CS\n", Status::Incomplete, 0, 0},
        {"digits not ended", "CMD:UPGRADE MCTP/1.0 CS\n@123", Status::Incomplete, 0, 0},
        {"tail cut", full.substr(0, 36), Status::Incomplete, 0, 0},
        {"other version", "CMD:UPGRADE MCTP/1.1 CS\n@5@\nEND\n", Status::Bad, 0, 0},
        {"lower case", "cmd:upgrade MCTP/1.0 CS\n@5@\nEND\n", Status::Bad, 0, 0},
        {"no digits", command(""), Status::Bad, 0, 0},
        {"sign", command("+5"), Status::Bad, 0, 0},
        {"over 32 bits", command("4294967296"), Status::Bad, 0, 0},
        {"eleven digits", command("00000000005"), Status::Bad, 0, 0},
        {"carriage return", "CMD:UPGRADE MCTP/1.0 CS\n@5@\r\nEND\n", Status::Bad, 0, 0},
        {"no END", "CMD:UPGRADE MCTP/1.0 CS\n@5@\nEN\n", Status::Bad, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UpgradeCommand parsed = UpgradeCommand::parse(c.bytes);
        EXPECT_EQ(parsed.status, c.status);
        if (c.status == Status::Complete) {
            EXPECT_EQ(parsed.length, c.length);
            EXPECT_EQ(parsed.size, c.size);
        }
    }

    using Kind = UpgradeCommand::Kind;
    const std::vector<std::pair<const char*, Kind>> starts = {
        {"", Kind::Undecided}, {"CMD:UP", Kind::Undecided}, {"CMD:UPGRADE", Kind::Upload},
        {"CMD:UPGRADE MCTP", Kind::Upload}, {"CMD:UPGRADX", Kind::Other}, {"GET /vb.htm", Kind::Other},
        {"C", Kind::Undecided}, {"CONNECT", Kind::Other}};
    for (const auto& [start, kind] : starts)
        EXPECT_EQ(UpgradeCommand::classify(start), kind) << '"' << start << '"';
}

// Everything one upload produced, however it was fed.
struct Outcome {
    std::string recorded;
    std::string replies;
    std::optional<std::uint32_t> command;
    std::optional<std::uint32_t> sizeField;
    std::optional<std::string> ended;
    UpgradeReceiver::Then then = UpgradeReceiver::Then::Read;
    bool badCommand = false;

    bool operator==(const Outcome&) const = default;
};

Outcome feed(const UpgradeBehaviour& behaviour, std::string_view stream, std::size_t piece)
{
    UpgradeReceiver receiver(behaviour);
    Outcome outcome;
    for (std::size_t at = 0; at < stream.size() && !receiver.ended(); at += piece) {
        UpgradeReceiver::Step step = receiver.take(stream.substr(at, piece));
        outcome.recorded += step.recorded;
        outcome.replies += step.reply;
        outcome.command = step.command ? step.command : outcome.command;
        outcome.sizeField = step.sizeField ? step.sizeField : outcome.sizeField;
        outcome.ended = step.ended ? step.ended : outcome.ended;
        outcome.then = step.then;
        outcome.badCommand = outcome.badCommand || step.badCommand;
    }
    return outcome;
}

UpgradeBehaviour behaviour(bool sized, FinalReply finalReply, UpgradeHostility hostile = UpgradeHostility::None)
{
    UpgradeBehaviour result;
    result.sized = sized;
    result.finalReply = finalReply;
    result.hostile = hostile;
    return result;
}

TEST(UpgradeReceiver, RecordsTheStreamAndRepliesAsConfigured)
{
    using Then = UpgradeReceiver::Then;
    const std::string data = package(3001);
    const std::string plain = command("3001") + data;
    const std::string sized = command("3001") + sizeField(3001) + data;
    const FinalReply zero {FinalReplyKind::Code, 0};
    struct Case {
        const char* what;
        UpgradeBehaviour behaviour;
        std::string stream; // what the client sends
        Outcome expected;
    };
    const std::vector<Case> cases = {
        {"unsized, @0@", behaviour(false, zero), plain,
            {plain, "OK\nUPGRADE @0@\n", 3001, std::nullopt, "@0@", Then::CloseAfterSending}},
        {"unsized, @7@", behaviour(false, {FinalReplyKind::Code, 7}), plain,
            {plain, "OK\nUPGRADE @7@\n", 3001, std::nullopt, "@7@", Then::CloseAfterSending}},
        {"sized, none", behaviour(true, {FinalReplyKind::None, 0}), sized,
            {sized, "OK\n", 3001, 3001, "none", Then::CloseAfterSending}},
        {"sized, no-at", behaviour(true, {FinalReplyKind::NoAt, 0}), sized,
            {sized, "OK\nUPGRADE DONE\n", 3001, 3001, "no-at", Then::CloseAfterSending}},
        {"sized, size field other than the length", behaviour(true, zero), command("3001") + sizeField(0x12345) + data,
            {command("3001") + sizeField(0x12345) + data, "OK\nUPGRADE @0@\n", 3001, 0x12345, "@0@",
                Then::CloseAfterSending}},
        {"bytes past the package are not recorded", behaviour(false, zero), plain + "extra",
            {plain, "OK\nUPGRADE @0@\n", 3001, std::nullopt, "@0@", Then::CloseAfterSending}},
        {"empty package", behaviour(true, zero), command("0") + sizeField(0),
            {command("0") + sizeField(0), "OK\nUPGRADE @0@\n", 0, 0, "@0@", Then::CloseAfterSending}},
        {"client stops half-way", behaviour(false, zero), command("3001") + data.substr(0, 1000),
            {command("3001") + data.substr(0, 1000), "OK\n", 3001, std::nullopt, std::nullopt, Then::Read}},
        {"close after command", behaviour(true, zero, UpgradeHostility::CloseAfterCommand), sized,
            {command("3001"), "", 3001, std::nullopt, "closed", Then::CloseAfterSending}},
        {"stop reading", behaviour(true, zero, UpgradeHostility::StopReading), sized,
            {command("3001") + sizeField(3001) + data.substr(0, 1500), "OK\n", 3001, 3001, "stalled",
                Then::StopReading}},
        {"never-100 takes the upload normally", behaviour(false, zero, UpgradeHostility::Never100), plain,
            {plain, "OK\nUPGRADE @0@\n", 3001, std::nullopt, "@0@", Then::CloseAfterSending}},
        {"too large to keep", behaviour(false, zero), command("536870913") + "x",
            {command("536870913"), "", 536870913, std::nullopt, "too-large", Then::CloseAfterSending}},
        {"not the command", behaviour(false, zero), "CMD:UPGRADE NOW\n" + data,
            {"", "", std::nullopt, std::nullopt, std::nullopt, Then::CloseAfterSending, true}},
    };
    for (const Case& c : cases) {
        for (std::size_t piece : {c.stream.size(), std::size_t {1}, std::size_t {7}, std::size_t {1280}}) {
            SCOPED_TRACE(std::string(c.what) + ", pieces of " + std::to_string(piece));
            Outcome outcome = feed(c.behaviour, c.stream, piece);
            EXPECT_EQ(outcome.recorded, c.expected.recorded);
            EXPECT_EQ(outcome.replies, c.expected.replies);
            EXPECT_EQ(outcome.command, c.expected.command);
            EXPECT_EQ(outcome.sizeField, c.expected.sizeField);
            EXPECT_EQ(outcome.ended, c.expected.ended);
            EXPECT_EQ(outcome.then, c.expected.then);
            EXPECT_EQ(outcome.badCommand, c.expected.badCommand);
        }
    }
}

} // namespace
} // namespace lorvena::devsim
