#pragma once

#include <cstdint>

namespace lorvena {

// What the vendor SDK's built-in login asks the device: the change path's
// own credential check against the device's web server. The SDK gets it
// through its interface (QV_NET_SetLoginCheck) and returns its verdict as
// the login event: 1536 accepted, 1537 refused, 2 no answer.
std::int32_t SdkLoginCheck(const char* address, std::int32_t port, const char* userName, const char* password,
    std::int32_t connectMilliseconds);

} // namespace lorvena
