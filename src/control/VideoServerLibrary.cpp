#include "control/VideoServerLibrary.h"

#include "platform/WindowMessage.h"

namespace lorvena {

namespace {

class BuiltInVideoServerLibrary final : public VideoServerLibrary {
public:
    std::int32_t openServer(const std::string& address, std::int32_t port, const std::string& userName,
        const std::string& password, std::int32_t& handle) override
    {
        handle = 0;
        return ZAZADA_OpenServer("", address.c_str(), port, userName.c_str(), password.c_str(), &handle, 0, 0);
    }
    void stopOpening() override { ZAZADA_StopOpening(); }
    std::int32_t regServerMsgCallback(std::int32_t handle, ZazadaMessageRoutine routine, void* user) override
    {
        return ZAZADA_RegServerMsgCallback(handle, routine, user);
    }
    std::int32_t getServerInfo(std::int32_t handle, ZazadaServerInfo& info) override
    {
        return ZAZADA_GetServerInfo(handle, &info);
    }
    std::int32_t updateServer(std::int32_t handle, const std::string& packagePath, ZazadaProgressRoutine routine,
        void* user) override
    {
        return ZAZADA_UpdateServer(handle, packagePath.c_str(), routine, user);
    }
    void closeServer(std::int32_t handle) override { ZAZADA_CloseServer(handle); }
};

} // namespace

VideoServerLibrary& builtInVideoServerLibrary()
{
    static BuiltInVideoServerLibrary library;
    return library;
}

std::int32_t VideoServerMessage(std::int32_t handle, std::int32_t, std::int32_t, std::int32_t, std::int32_t, void* user)
{
    auto* context = static_cast<VideoServerContext*>(user);
    if (!context || !context->library)
        return 0;
    ZazadaServerInfo info {};
    info.size = sizeof info;
    context->library->getServerInfo(handle, info);
    return 0;
}

std::int32_t VideoServerProgress(std::int32_t, const ZazadaUpdateStatus* status, void* user)
{
    auto* context = static_cast<VideoServerContext*>(user);
    if (!context || !context->poster || !status)
        return 0;
    const bool failed = status->error != 0;
    const bool end = failed || status->progress == 100;
    if (context->lastProgress.exchange(status->progress) == status->progress && !end)
        return 0;
    context->poster->post({MessageId::VideoServerProgress, failed ? 1u : 0u, status->progress, {}});
    return end ? 1 : 0;
}

} // namespace lorvena
