#include "control/SdkRoutines.h"

#include "config/HttpAuthorityCheck.h"
#include "control/OnvifRoutines.h"
#include "net/Base64.h"
#include "platform/WindowMessage.h"
#include "sdk/QvNetSdk.h"

#include <chrono>
#include <cstring>
#include <string>

namespace lorvena {

void SdkNotify(std::int32_t, std::int32_t eventCode, const void* eventData, void* userContext)
{
    auto* context = static_cast<const LoginContext*>(userContext);
    if (!context || !context->poster)
        return;
    MessagePoster* poster = context->poster;
    switch (eventCode) {
    case QV_NET_EVENT_CONNECT_FAILED:
        poster->post({MessageId::SdkConnectFailed, 0, 0, {}});
        break;
    case QV_NET_EVENT_UPGRADE_PROGRESS: {
        std::int32_t value = 0;
        if (eventData)
            std::memcpy(&value, eventData, sizeof value);
        poster->post({MessageId::SdkUpgradeProgress, 0, value, {}});
        break;
    }
    case QV_NET_EVENT_UPGRADE_DONE:
        poster->post({MessageId::SdkUpgradeDone, 0, 0, {}});
        break;
    case QV_NET_EVENT_UPGRADE_FAILED:
        poster->post({MessageId::SdkUpgradeFailed, 0, 0, {}});
        break;
    case QV_NET_EVENT_LOGIN_OK:
        poster->post({MessageId::LoginResultOk, context->session, 0, {}});
        break;
    case QV_NET_EVENT_LOGIN_FAILED:
        poster->post({MessageId::LoginResultFail, context->session, 0, {}});
        break;
    default:
        break;
    }
}

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
