#include "devsim/FaultInjector.h"

#include <algorithm>

namespace lorvena::devsim {

namespace {
// Byte 11 is the NUL that ends the 11-character magic.
constexpr std::size_t magicTerminator = 11;
constexpr std::uint8_t oversizeFill = 0xA5;
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
    }
    return bytes;
}

} // namespace lorvena::devsim
