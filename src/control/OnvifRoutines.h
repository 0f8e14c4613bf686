#pragma once

#include "platform/WindowMessage.h"
#include "sdk/onvif/OnvifAccess.h"

#include <cstdint>

namespace lorvena {

// What a login's notification routines get as their user value: where to
// post, and the login session the answer belongs to. The session travels as
// the message's wParam, so that a late answer of an earlier login cannot pass
// for the answer of a later one (0: a login nobody numbered).
struct LoginContext {
    MessagePoster* poster = nullptr;
    std::uintptr_t session = 0;
};

// The routines given to the ONVIF library. Each runs on a thread of the
// library and only copies and posts. The search callback gets the window's
// MessagePoster as its user value, the login and change routines a
// LoginContext.

// A found device: WM_ONVIF_DEVICE with a copy of the record as payload and
// lParam 0. The end of the search (null record): WM_ONVIF_DEVICE with no
// payload and lParam 1.
std::int32_t OnvifSearchCallback(const OnvifDeviceRecord* record, void* user);

// A login's answer: WM_LOGIN_RESULT_OK or WM_LOGIN_RESULT_FAIL with the
// session as wParam; other events are ignored.
void OnvifNotify(std::int32_t handle, std::int32_t eventCode, const void* eventData, void* userContext);

// A change's end: MessageId::OnvifChangeResult, with the session of the
// login it was made in as wParam.
void OnvifChangeNotify(std::int32_t handle, std::int32_t outcome, void* user);

} // namespace lorvena
