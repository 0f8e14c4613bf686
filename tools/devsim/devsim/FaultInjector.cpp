#include "devsim/FaultInjector.h"

#include "discovery/SearchPackets.h"

#include <algorithm>
#include <array>
#include <span>

namespace lorvena::devsim {

namespace {
// Byte 11 is the NUL that ends the 11-character magic.
constexpr std::size_t magicTerminator = 11;
constexpr std::uint8_t oversizeFill = 0xA5;
// What fills a text field's unused bytes when it must have no terminator:
// printable, so the tool's cut of the text shows in its cell.
constexpr std::uint8_t noNulFill = '#';

// Where each reply keeps its texts, whole fields from the device's side (as
// ReplyBuilder writes them).
struct FieldSpan {
    std::size_t offset;
    std::size_t size;
};
constexpr std::array<FieldSpan, 4> oldReplyTexts {{{13, 10}, {30, 30}, {60, 30}, {90, 64}}};
constexpr std::array<FieldSpan, 7> basicReplyTexts {{{13, 10}, {30, 16}, {46, 16}, {62, 16}, {78, 16}, {94, 64},
    {158, 66}}};
constexpr std::array<FieldSpan, 8> extendedReplyTexts {{{24, 16}, {40, 16}, {56, 16}, {72, 16}, {104, 40}, {144, 64},
    {304, 80}, {384, 128}}};

std::span<const FieldSpan> textFieldsOf(ByteView reply)
{
    using namespace DiscoveryHeader;
    if (matches(reply, oldMagic, searchReply))
        return oldReplyTexts;
    if (matches(reply, newMagic, searchReply))
        return basicReplyTexts;
    if (matches(reply, newMagic, extendedSearchReply))
        return extendedReplyTexts;
    return {};
}

void fillEveryTextField(std::vector<std::uint8_t>& bytes)
{
    for (const FieldSpan& field : textFieldsOf(bytes)) {
        if (field.offset + field.size > bytes.size())
            continue;
        auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(field.offset);
        std::replace(begin, begin + static_cast<std::ptrdiff_t>(field.size), std::uint8_t {0}, noNulFill);
    }
}
} // namespace

std::vector<std::uint8_t> FaultInjector::datagram(const Fault& fault, ByteView goodReply, ByteView request)
{
    std::vector<std::uint8_t> bytes(goodReply.begin(), goodReply.end());
    switch (fault.kind) {
    case FaultKind::WrongMagic:
        // A near miss ("Search....." / "Searching..") catches a parser that
        // compares without case or only part of the magic.
        if (!bytes.empty())
            bytes[0] = static_cast<std::uint8_t>('S');
        break;
    case FaultKind::Byte11NotNul:
        if (bytes.size() > magicTerminator)
            bytes[magicTerminator] = static_cast<std::uint8_t>('.');
        break;
    case FaultKind::Short:
        bytes.resize(std::min(fault.length, bytes.size()));
        break;
    case FaultKind::EchoRequest:
        bytes.assign(request.begin(), request.end());
        break;
    case FaultKind::Oversize:
        bytes.insert(bytes.end(), oversizeExtraBytes, oversizeFill);
        break;
    case FaultKind::NoNul:
        fillEveryTextField(bytes);
        break;
    case FaultKind::Length:
        bytes.resize(std::min(fault.length, maxDatagramBytes), oversizeFill);
        break;
    }
    return bytes;
}

} // namespace lorvena::devsim
