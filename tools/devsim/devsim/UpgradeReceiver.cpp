#include "devsim/UpgradeReceiver.h"

#include <algorithm>

namespace lorvena::devsim {

namespace {

constexpr std::string_view commandHead = "CMD:UPGRADE MCTP/1.0 CS\n@";
constexpr std::string_view commandTail = "@\nEND\n";
constexpr std::string_view uploadMark = "CMD:UPGRADE";
constexpr std::size_t maxDigits = 10;
constexpr std::size_t sizeFieldBytes = 4;

// Whether `bytes` is `expected` or the start of it.
bool startsLike(std::string_view bytes, std::string_view expected)
{
    std::size_t common = std::min(bytes.size(), expected.size());
    return bytes.substr(0, common) == expected.substr(0, common);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

UpgradeCommand UpgradeCommand::parse(std::string_view bytes)
{
    UpgradeCommand result;
    if (!startsLike(bytes, commandHead))
        return {Status::Bad};
    if (bytes.size() <= commandHead.size())
        return result;
    std::size_t at = commandHead.size();
    std::uint64_t length = 0;
    std::size_t digits = 0;
    while (at < bytes.size() && isDigit(bytes[at]) && digits <= maxDigits) {
        length = length * 10 + static_cast<std::uint64_t>(bytes[at] - '0');
        ++digits;
        ++at;
    }
    if (digits > maxDigits || length > 0xFFFFFFFFu)
        return {Status::Bad};
    if (at == bytes.size())
        return result;
    if (digits == 0 || !startsLike(bytes.substr(at), commandTail))
        return {Status::Bad};
    if (bytes.size() - at < commandTail.size())
        return result;
    return {Status::Complete, static_cast<std::uint32_t>(length), at + commandTail.size()};
}

UpgradeCommand::Kind UpgradeCommand::classify(std::string_view start)
{
    if (!startsLike(start, uploadMark))
        return Kind::Other;
    return start.size() < uploadMark.size() ? Kind::Undecided : Kind::Upload;
}

UpgradeReceiver::UpgradeReceiver(const UpgradeBehaviour& behaviour) : behaviour_(behaviour) {}

std::string UpgradeReceiver::describe(const FinalReply& reply)
{
    switch (reply.kind) {
    case FinalReplyKind::Code:
        return "@" + std::to_string(reply.code) + "@";
    case FinalReplyKind::None:
        return "none";
    case FinalReplyKind::NoAt:
        return "no-at";
    }
    return "?";
}

std::string UpgradeReceiver::bytesOf(const FinalReply& reply)
{
    switch (reply.kind) {
    case FinalReplyKind::Code:
        return "UPGRADE @" + std::to_string(reply.code) + "@\n";
    case FinalReplyKind::NoAt:
        return "UPGRADE DONE\n";
    case FinalReplyKind::None:
        break;
    }
    return {};
}

UpgradeReceiver::Step UpgradeReceiver::take(std::string_view bytes)
{
    Step step;
    while (phase_ != Phase::Ended) {
        Phase before = phase_;
        std::size_t left = bytes.size();
        switch (phase_) {
        case Phase::Command:
            takeCommand(bytes, step);
            break;
        case Phase::Size:
            takeSize(bytes, step);
            break;
        case Phase::Package:
            takePackage(bytes, step);
            break;
        case Phase::Ended:
            break;
        }
        // A phase that neither moved on nor consumed anything waits for more.
        if (phase_ == before && bytes.size() == left)
            break;
    }
    return step;
}

void UpgradeReceiver::takeCommand(std::string_view& bytes, Step& step)
{
    std::size_t before = pending_.size();
    std::size_t taken = std::min(bytes.size(), maxCommandBytes - before);
    pending_.append(bytes.substr(0, taken));
    UpgradeCommand command = UpgradeCommand::parse(pending_);
    if (command.status == UpgradeCommand::Status::Incomplete) {
        bytes.remove_prefix(taken);
        return;
    }
    if (command.status == UpgradeCommand::Status::Bad) {
        step.badCommand = true;
        step.then = Then::CloseAfterSending;
        phase_ = Phase::Ended;
        return;
    }
    // What follows the command in the same bytes belongs to the next phase.
    bytes.remove_prefix(command.size - before);
    step.recorded += pending_.substr(0, command.size);
    pending_.clear();
    length_ = command.length;
    step.command = command.length;
    if (length_ > maxPackageBytes)
        return end(step, "too-large", Then::CloseAfterSending);
    if (behaviour_.hostile == UpgradeHostility::CloseAfterCommand)
        return end(step, "closed", Then::CloseAfterSending);
    step.reply = firstReply;
    if (behaviour_.sized)
        phase_ = Phase::Size;
    else
        enterPackage(step);
}

void UpgradeReceiver::takeSize(std::string_view& bytes, Step& step)
{
    std::size_t taken = std::min(bytes.size(), sizeFieldBytes - pending_.size());
    pending_.append(bytes.substr(0, taken));
    step.recorded.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    if (pending_.size() < sizeFieldBytes)
        return;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < sizeFieldBytes; ++i)
        value |= std::uint32_t {static_cast<std::uint8_t>(pending_[i])} << (8 * i);
    pending_.clear();
    step.sizeField = value;
    enterPackage(step);
}

void UpgradeReceiver::enterPackage(Step& step)
{
    phase_ = Phase::Package;
    afterPackageBytes(step);
}

void UpgradeReceiver::takePackage(std::string_view& bytes, Step& step)
{
    std::uint64_t limit = stalls() ? stallPoint() : length_;
    auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), limit - received_));
    step.recorded.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    received_ += taken;
    afterPackageBytes(step);
}

void UpgradeReceiver::afterPackageBytes(Step& step)
{
    if (received_ == length_) {
        complete_ = true;
        step.reply += bytesOf(behaviour_.finalReply);
        return end(step, describe(behaviour_.finalReply), Then::CloseAfterSending);
    }
    if (stalls() && received_ == stallPoint())
        end(step, "stalled", Then::StopReading);
}

void UpgradeReceiver::end(Step& step, std::string outcome, Then then)
{
    step.ended = std::move(outcome);
    step.then = then;
    phase_ = Phase::Ended;
}

} // namespace lorvena::devsim
