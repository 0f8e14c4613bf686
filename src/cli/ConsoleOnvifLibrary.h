#pragma once

#include "control/OnvifLibrary.h"

#include <cstdint>

namespace lorvena {

// The ONVIF library as the console uses it: the built-in one, except that a
// search listens as long as the command's --wait (at least one second)
// instead of the window's five seconds, so that one option says how long
// every kind of search listens.
class ConsoleOnvifLibrary final : public OnvifLibrary {
public:
    explicit ConsoleOnvifLibrary(double waitSeconds);

    void startup() override { library_.startup(); }
    void setWaitTime(std::int32_t searchSeconds, std::int32_t unused, std::int32_t requestSeconds) override;
    std::int32_t startSearchDevice(std::int32_t multi, OnvifSearchRoutine routine, void* user) override
    {
        return library_.startSearchDevice(multi, routine, user);
    }
    void stopSearchDevice(std::int32_t handle) override { library_.stopSearchDevice(handle); }
    std::int32_t login(const OnvifLoginRecord& record) override { return library_.login(record); }
    std::int32_t setNetParam(std::int32_t handle, const OnvifNetParam& block, OnvifChangeRoutine routine,
        void* user) override
    {
        return library_.setNetParam(handle, block, routine, user);
    }
    void logout(std::int32_t handle) override { library_.logout(handle); }
    void cleanup() override { library_.cleanup(); }

    // --wait in the library's whole seconds: rounded up, at least 1.
    static std::int32_t searchSeconds(double waitSeconds);

private:
    OnvifLibrary& library_;
    std::int32_t searchSeconds_;
};

} // namespace lorvena
