#pragma once

#include "sdk/QvNetSdk.h"

#include <cstdint>
#include <string>

namespace lorvena {

// The vendor SDK's calls, one method each, so that the window's logic can be
// run against a scripted library. The program uses builtInSdkLibrary(),
// which forwards to the QV_NET_* interface; its routines (SdkRoutines.h)
// turn the library's events into window messages.
class SdkLibrary {
public:
    virtual ~SdkLibrary() = default;

    virtual void setLoginCheck(QvNetLoginCheck check) = 0;
    virtual void startup() = 0;
    virtual void setWaitTime(std::int32_t connectSeconds, std::int32_t unused, std::int32_t receiveSeconds) = 0;
    // The session handle, 0 when no login was started.
    virtual std::int32_t login(const QvNetLoginRecord& record) = 0;
    // 0 when the upgrade was started.
    virtual std::int32_t upgrade(std::int32_t handle, const std::string& packagePath) = 0;
    virtual void logout(std::int32_t handle) = 0;
    virtual void cleanup() = 0;
};

SdkLibrary& builtInSdkLibrary();

} // namespace lorvena
