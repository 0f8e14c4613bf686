// The built-in vendor SDK. A login checks the credentials with the check
// the program handed over (the tool's own, against the device's web
// server), on a thread of the library, and reports 1536 (accepted), 1537 (refused) or
// 2 (no answer from the device) through the record's routine. An upgrade
// sends the package to the device's HTTP port with the sized upload and
// follows the device's own progress report, on a thread of the library:
// 1280 with the percentage whenever it moves, then 1281 (done), 1282
// (failed) or 2 (the device could not be reached).

#include "sdk/QvNetSdk.h"

#include "upgrade/UpgradeCancel.h"
#include "upgrade/UpgradePace.h"
#include "upgrade/UploadHost.h"
#include "upgrade/UploadRoutines.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Session {
    QvNetLoginRecord record;
    std::atomic<bool> loggedOut {false};
    std::thread thread;
    // One upgrade at a time per session.
    std::atomic<bool> upgrading {false};
    lorvena::UpgradeCancel upgradeCancel;
    std::thread upgradeThread;

    // A session not cleaned up (or released by its own thread) lets its
    // threads run out on their own.
    ~Session()
    {
        if (thread.joinable())
            thread.detach();
        if (upgradeThread.joinable())
            upgradeThread.detach();
    }

    void notify(int32_t event, const void* data = nullptr) const
    {
        if (!loggedOut && record.notify)
            record.notify(0, event, data, record.userContext);
    }
};

// The device an upgrade goes to is the session's; progress becomes events.
class SessionUpload final : public lorvena::UploadHost {
public:
    SessionUpload(Session& session, std::string path) : session_(session), path_(std::move(path)) {}

    std::string uploadPath() override { return path_; }
    lorvena::UpgradeTarget target() override
    {
        return {session_.record.address, std::to_string(session_.record.port), {}};
    }
    std::string userName() override { return session_.record.userName; }
    std::string password() override { return session_.record.password; }
    void markRunning() override {}
    void showProgress(int value) override
    {
        if (value == lastReported_)
            return;
        lastReported_ = value;
        int32_t data = value;
        session_.notify(QV_NET_EVENT_UPGRADE_PROGRESS, &data);
    }
    lorvena::UpgradeCancel& cancel() override { return session_.upgradeCancel; }

private:
    Session& session_;
    std::string path_;
    int lastReported_ = -1;
};

bool unreachable(int code)
{
    namespace r = lorvena::upload_result;
    return code == r::cannotResolve || code == r::noSocket || code == r::cannotConnect || code == r::noFirstReply;
}

void runUpgrade(const std::shared_ptr<Session>& session, std::string path)
{
    SessionUpload upload(*session, std::move(path));
    lorvena::UploadOutcome outcome = lorvena::SizedUploadThenPoll(upload, lorvena::upgradeTimingsFromEnvironment());
    if (outcome.succeeded())
        session->notify(QV_NET_EVENT_UPGRADE_DONE);
    else if (unreachable(outcome.code))
        session->notify(QV_NET_EVENT_CONNECT_FAILED);
    else
        session->notify(QV_NET_EVENT_UPGRADE_FAILED);
    session->upgrading = false;
}

void stop(Session& session)
{
    session.loggedOut = true;
    session.upgradeCancel.cancel();
}

void join(Session& session)
{
    if (session.thread.joinable())
        session.thread.join();
    if (session.upgradeThread.joinable())
        session.upgradeThread.join();
}

struct Library {
    std::mutex mutex;
    std::map<int32_t, std::shared_ptr<Session>> sessions;
    // Sessions logged out while their login still ran; joined at clean-up.
    std::vector<std::shared_ptr<Session>> finishing;
    int32_t nextHandle = 1;
    std::chrono::milliseconds connectWait {4000};
    QvNetLoginCheck loginCheck = nullptr;
};

Library& library()
{
    static Library instance;
    return instance;
}

void runLogin(const std::shared_ptr<Session>& session, std::chrono::milliseconds connectWait, QvNetLoginCheck check)
{
    const QvNetLoginRecord& record = session->record;
    int32_t event = check ? check(record.address, record.port, record.userName, record.password,
                                static_cast<int32_t>(connectWait.count()))
                          : QV_NET_EVENT_CONNECT_FAILED;
    if (event != QV_NET_EVENT_LOGIN_OK && event != QV_NET_EVENT_LOGIN_FAILED)
        event = QV_NET_EVENT_CONNECT_FAILED;
    if (session->loggedOut || !record.notify)
        return;
    record.notify(0, event, nullptr, record.userContext);
}

} // namespace

extern "C" {

void QV_NET_SetLoginCheck(QvNetLoginCheck check)
{
    std::lock_guard lock(library().mutex);
    library().loginCheck = check;
}

void QV_NET_Startup(void) {}

void QV_NET_SetWaitTime(int32_t connectSeconds, int32_t, int32_t)
{
    std::lock_guard lock(library().mutex);
    if (connectSeconds > 0)
        library().connectWait = std::chrono::seconds(connectSeconds);
}

int32_t QV_NET_Login(const QvNetLoginRecord* record)
{
    if (!record)
        return 0;
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    auto session = std::make_shared<Session>();
    session->record = *record;
    session->record.address[sizeof session->record.address - 1] = '\0';
    session->record.userName[sizeof session->record.userName - 1] = '\0';
    session->record.password[sizeof session->record.password - 1] = '\0';
    int32_t handle = lib.nextHandle++;
    session->thread = std::thread(runLogin, session, lib.connectWait, lib.loginCheck);
    lib.sessions[handle] = session;
    return handle;
}

int32_t QV_NET_Upgrade(int32_t handle, const char* path)
{
    if (!path || !*path)
        return -1;
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    auto found = lib.sessions.find(handle);
    if (found == lib.sessions.end())
        return -1;
    std::shared_ptr<Session> session = found->second;
    if (session->upgrading.exchange(true))
        return -2;
    if (session->upgradeThread.joinable())
        session->upgradeThread.join();
    session->upgradeThread = std::thread(runUpgrade, session, std::string(path));
    return 0;
}

void QV_NET_Logout(int32_t handle)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    auto found = lib.sessions.find(handle);
    if (found == lib.sessions.end())
        return;
    // The login may still be waiting for the device; it reports nothing
    // more and is joined at clean-up rather than holding the caller up.
    stop(*found->second);
    lib.finishing.push_back(found->second);
    lib.sessions.erase(found);
}

void QV_NET_Cleanup(void)
{
    Library& lib = library();
    std::vector<std::shared_ptr<Session>> sessions;
    {
        std::lock_guard lock(lib.mutex);
        for (auto& [handle, session] : lib.sessions) {
            stop(*session);
            sessions.push_back(session);
        }
        lib.sessions.clear();
        sessions.insert(sessions.end(), lib.finishing.begin(), lib.finishing.end());
        lib.finishing.clear();
    }
    for (auto& session : sessions)
        join(*session);
}

} // extern "C"
