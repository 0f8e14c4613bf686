// The device's answer to an extended modify request: any datagram from its
// address is checked for being its answer and read for the outcome.
#include "FuzzCheck.h"

#include "config/ExtendedExchange.h"
#include "discovery/SearchPackets.h"

#include <cstddef>
#include <cstdint>

using namespace lorvena;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The exchange takes datagrams of 1..1024 bytes only.
    if (size == 0 || size > ExtendedModifyReply::maxSize)
        return 0;
    ExchangeOutcome outcome = replyOutcome(ByteView(data, size));
    FUZZ_CHECK(outcome == ExchangeOutcome::Accepted || outcome == ExchangeOutcome::WrongPassword
        || outcome == ExchangeOutcome::Refused);
    if (size <= ExtendedModifyReply::status)
        FUZZ_CHECK(outcome == ExchangeOutcome::Refused);
    // Whose answer it is: without the reply's command (and the magic before
    // it) a datagram gives no verdict, whatever else it carries.
    bool fromDevice = replyFromDevice(ByteView(data, size), "00:1A:2B:3C:4D:5E");
    if (size <= DiscoveryHeader::commandOffset || data[DiscoveryHeader::commandOffset] != ExtendedModifyReply::command)
        FUZZ_CHECK(!fromDevice);
    return 0;
}
