#include "control/OnvifRoutines.h"

#include <cstring>

namespace lorvena {

std::int32_t OnvifSearchCallback(const OnvifDeviceRecord* record, void* user)
{
    auto* poster = static_cast<MessagePoster*>(user);
    if (!poster)
        return 0;
    if (!record) {
        poster->post({MessageId::OnvifDevice, 0, 1, {}});
        return 0;
    }
    // The record is the library's only for this call: the message takes a copy.
    std::vector<std::uint8_t> copy(sizeof *record);
    std::memcpy(copy.data(), record, copy.size());
    poster->post({MessageId::OnvifDevice, 1, 0, std::move(copy)});
    return 0;
}

void OnvifNotify(std::int32_t, std::int32_t eventCode, const void*, void* userContext)
{
    auto* context = static_cast<const LoginContext*>(userContext);
    if (!context || !context->poster)
        return;
    if (eventCode == LS_NET_EVENT_LOGIN_OK)
        context->poster->post({MessageId::LoginResultOk, context->session, 0, {}});
    else if (eventCode == LS_NET_EVENT_LOGIN_FAILED)
        context->poster->post({MessageId::LoginResultFail, context->session, 0, {}});
}

void OnvifChangeNotify(std::int32_t, std::int32_t outcome, void* user)
{
    auto* context = static_cast<const LoginContext*>(user);
    if (!context || !context->poster)
        return;
    context->poster->post(
        {MessageId::OnvifChangeResult, context->session, outcome == LS_NET_CHANGE_ACCEPTED ? 1 : 0, {}});
}

} // namespace lorvena
