// The built-in vendor SDK. A login checks the credentials against the
// device's own web server, the way the tool's credential check does, on a
// thread of the library, and reports 1536 (accepted), 1537 (refused) or
// 2 (no answer from the device) through the record's routine.

#include "sdk/QvNetSdk.h"

#include "config/HttpAuthorityCheck.h"
#include "net/Base64.h"

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

    // A session not cleaned up (or released by its own thread) lets its
    // thread run out on its own.
    ~Session()
    {
        if (thread.joinable())
            thread.detach();
    }
};

struct Library {
    std::mutex mutex;
    std::map<int32_t, std::shared_ptr<Session>> sessions;
    // Sessions logged out while their login still ran; joined at clean-up.
    std::vector<std::shared_ptr<Session>> finishing;
    int32_t nextHandle = 1;
    std::chrono::milliseconds connectWait {4000};
};

Library& library()
{
    static Library instance;
    return instance;
}

void runLogin(const std::shared_ptr<Session>& session, std::chrono::milliseconds connectWait)
{
    const QvNetLoginRecord& record = session->record;
    std::string credentials = std::string(record.userName) + ":" + record.password;
    lorvena::HttpTimings timings;
    timings.connectTimeout = connectWait;
    lorvena::AuthorityVerdict verdict = lorvena::ProbeAuthority(
        record.address, std::to_string(record.port), lorvena::Base64Encode(credentials), timings);
    if (session->loggedOut || !record.notify)
        return;
    int32_t event = verdict == lorvena::AuthorityVerdict::Accepted ? QV_NET_EVENT_LOGIN_OK
        : verdict == lorvena::AuthorityVerdict::Refused            ? QV_NET_EVENT_LOGIN_FAILED
                                                                   : QV_NET_EVENT_CONNECT_FAILED;
    record.notify(0, event, nullptr, record.userContext);
}

} // namespace

extern "C" {

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
    session->thread = std::thread(runLogin, session, lib.connectWait);
    lib.sessions[handle] = session;
    return handle;
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
    found->second->loggedOut = true;
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
            session->loggedOut = true;
            sessions.push_back(session);
        }
        lib.sessions.clear();
        sessions.insert(sessions.end(), lib.finishing.begin(), lib.finishing.end());
        lib.finishing.clear();
    }
    for (auto& session : sessions) {
        if (session->thread.joinable())
            session->thread.join();
    }
}

} // extern "C"
