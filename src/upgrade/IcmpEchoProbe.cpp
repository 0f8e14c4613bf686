#include "platform/IcmpEcho.h"
#include "upgrade/EchoProbe.h"

namespace lorvena {

namespace {

EchoAnswer answerOf(EchoResult result)
{
    switch (result) {
    case EchoResult::Answered:
        return EchoAnswer::Answered;
    case EchoResult::Silent:
        return EchoAnswer::Silent;
    case EchoResult::NoSocket:
        break;
    }
    return EchoAnswer::CannotProbe;
}

} // namespace

EchoAnswer IcmpEchoProbe::firstLook(const std::string& target, std::chrono::milliseconds timeout)
{
    return answerOf(PingIcmpEcho(target, timeout));
}

EchoAnswer IcmpEchoProbe::nextLook(const std::string& target, std::chrono::milliseconds timeout)
{
    return answerOf(PingRawIcmp(target, timeout));
}

} // namespace lorvena
