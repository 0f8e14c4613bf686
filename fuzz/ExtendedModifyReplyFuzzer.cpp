// The device's answer to an extended modify request: any datagram it sends
// from its address is read for the outcome.
#include "FuzzCheck.h"

#include "config/ExtendedExchange.h"

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
    return 0;
}
