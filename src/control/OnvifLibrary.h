#pragma once

#include "sdk/onvif/OnvifAccess.h"

#include <cstdint>

namespace lorvena {

// The ONVIF access library's calls, one method each, so that the window's
// logic can be run against a scripted library. The program uses
// builtInOnvifLibrary(), which forwards to the LS_NET_* interface.
class OnvifLibrary {
public:
    virtual ~OnvifLibrary() = default;

    virtual void startup() = 0;
    virtual void setWaitTime(std::int32_t searchSeconds, std::int32_t unused, std::int32_t requestSeconds) = 0;
    // The handle of the started search, 0 when none was started.
    virtual std::int32_t startSearchDevice(std::int32_t multi, OnvifSearchRoutine routine, void* user) = 0;
    virtual void stopSearchDevice(std::int32_t handle) = 0;
    // The login handle, 0 when no login was started.
    virtual std::int32_t login(const OnvifLoginRecord& record) = 0;
    // 0 when the change was started; `routine` then hears how it ended.
    virtual std::int32_t setNetParam(std::int32_t handle, const OnvifNetParam& block, OnvifChangeRoutine routine,
        void* user) = 0;
    virtual void logout(std::int32_t handle) = 0;
    virtual void cleanup() = 0;
};

OnvifLibrary& builtInOnvifLibrary();

} // namespace lorvena
