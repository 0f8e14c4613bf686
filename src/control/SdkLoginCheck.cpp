#include "control/SdkLoginCheck.h"

#include "config/HttpAuthorityCheck.h"
#include "net/Base64.h"
#include "sdk/QvNetSdk.h"

#include <chrono>
#include <string>

namespace lorvena {

std::int32_t SdkLoginCheck(const char* address, std::int32_t port, const char* userName, const char* password,
    std::int32_t connectMilliseconds)
{
    // The record's texts are already in the devices' 8-bit encoding.
    const std::string credentials = std::string(userName) + ":" + password;
    HttpTimings timings;
    timings.connectTimeout = std::chrono::milliseconds(connectMilliseconds);
    switch (ProbeAuthority(address, std::to_string(port), Base64Encode(credentials), timings)) {
    case AuthorityVerdict::Accepted:
        return QV_NET_EVENT_LOGIN_OK;
    case AuthorityVerdict::Refused:
        return QV_NET_EVENT_LOGIN_FAILED;
    case AuthorityVerdict::Unreachable:
        break;
    }
    return QV_NET_EVENT_CONNECT_FAILED;
}

} // namespace lorvena
