#include "control/SdkLibrary.h"

namespace lorvena {

namespace {

class BuiltInSdkLibrary final : public SdkLibrary {
public:
    void setLoginCheck(QvNetLoginCheck check) override { QV_NET_SetLoginCheck(check); }
    void startup() override { QV_NET_Startup(); }
    void setWaitTime(std::int32_t connectSeconds, std::int32_t unused, std::int32_t receiveSeconds) override
    {
        QV_NET_SetWaitTime(connectSeconds, unused, receiveSeconds);
    }
    std::int32_t login(const QvNetLoginRecord& record) override { return QV_NET_Login(&record); }
    std::int32_t upgrade(std::int32_t handle, const std::string& packagePath) override
    {
        return QV_NET_Upgrade(handle, packagePath.c_str());
    }
    void logout(std::int32_t handle) override { QV_NET_Logout(handle); }
    void cleanup() override { QV_NET_Cleanup(); }
};

} // namespace

SdkLibrary& builtInSdkLibrary()
{
    static BuiltInSdkLibrary library;
    return library;
}

} // namespace lorvena
