#include "control/OnvifLibrary.h"

namespace lorvena {

namespace {

class BuiltInOnvifLibrary final : public OnvifLibrary {
public:
    void startup() override { LS_NET_Startup(); }
    void setWaitTime(std::int32_t searchSeconds, std::int32_t unused, std::int32_t requestSeconds) override
    {
        LS_NET_SetWaitTime(searchSeconds, unused, requestSeconds);
    }
    std::int32_t startSearchDevice(std::int32_t multi, OnvifSearchRoutine routine, void* user) override
    {
        return LS_NET_StartSearchDevice(multi, routine, user);
    }
    void stopSearchDevice(std::int32_t handle) override { LS_NET_StopSearchDevice(handle); }
    std::int32_t login(const OnvifLoginRecord& record) override { return LS_NET_Login(&record); }
    std::int32_t setNetParam(std::int32_t handle, const OnvifNetParam& block, OnvifChangeRoutine routine,
        void* user) override
    {
        return LS_NET_SetNetParamEx(handle, &block, routine, user);
    }
    void logout(std::int32_t handle) override { LS_NET_Logout(handle); }
    void cleanup() override { LS_NET_Cleanup(); }
};

} // namespace

OnvifLibrary& builtInOnvifLibrary()
{
    static BuiltInOnvifLibrary library;
    return library;
}

} // namespace lorvena
