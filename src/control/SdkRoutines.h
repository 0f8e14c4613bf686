#pragma once

#include <cstdint>

namespace lorvena {

// What the vendor SDK calls back, turned into the window's terms.

// The notification routine: the library's events become window messages
// posted through the LoginContext given as user context (login answers carry
// its session as wParam).
void SdkNotify(std::int32_t handle, std::int32_t eventCode, const void* eventData, void* userContext);

// The credential check the built-in login runs (handed over with
// SdkLibrary::setLoginCheck): the change path's own check against the
// device's web server. Returns the login's event: 1536 accepted, 1537
// refused, 2 no answer.
std::int32_t SdkLoginCheck(const char* address, std::int32_t port, const char* userName, const char* password,
    std::int32_t connectMilliseconds);

} // namespace lorvena
