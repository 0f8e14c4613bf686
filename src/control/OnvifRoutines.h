#pragma once

#include "platform/WindowMessage.h"
#include "sdk/onvif/OnvifAccess.h"

#include <cstdint>

namespace lorvena {

// The routines given to the ONVIF library. Each runs on a thread of the
// library with the window's MessagePoster as its user value, and only
// copies and posts.

// A found device: WM_ONVIF_DEVICE with a copy of the record as payload and
// lParam 0. The end of the search (null record): WM_ONVIF_DEVICE with no
// payload and lParam 1.
std::int32_t OnvifSearchCallback(const OnvifDeviceRecord* record, void* user);

// A login's answer: WM_LOGIN_RESULT_OK or WM_LOGIN_RESULT_FAIL; other events
// are ignored.
void OnvifNotify(std::int32_t handle, std::int32_t eventCode, const void* eventData, void* userContext);

// A change's end: MessageId::OnvifChangeResult.
void OnvifChangeNotify(std::int32_t handle, std::int32_t outcome, void* user);

} // namespace lorvena
