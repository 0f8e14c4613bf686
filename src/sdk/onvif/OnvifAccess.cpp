// The C interface of the ONVIF access library over its searches and login
// sessions. Handles of both kinds come from one counter; finished searches
// and logged-out sessions are reaped (their threads joined) on later calls
// and at clean-up.

#include "sdk/onvif/OnvifAccess.h"

#include "sdk/onvif/DeviceRecordFields.h"
#include "sdk/onvif/DiscoverySearch.h"
#include "sdk/onvif/LoginSession.h"
#include "sdk/onvif/OnvifSettings.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using namespace lorvena::onvif;

struct Library {
    std::mutex mutex;
    std::map<std::int32_t, std::unique_ptr<DiscoverySearch>> searches;
    std::map<std::int32_t, std::unique_ptr<LoginSession>> sessions;
    std::vector<std::unique_ptr<DiscoverySearch>> stoppedSearches;
    std::vector<std::unique_ptr<LoginSession>> loggedOut;
    std::int32_t nextHandle = 1;

    std::int32_t newHandle()
    {
        std::int32_t handle = nextHandle++;
        if (nextHandle <= 0)
            nextHandle = 1;
        return handle;
    }
};

Library& library()
{
    static Library instance;
    return instance;
}

// Takes what has finished out of the library, to be destroyed (joined) by
// the caller outside the lock.
template <typename T>
void takeFinished(std::vector<std::unique_ptr<T>>& from, std::vector<std::unique_ptr<T>>& to, bool (*done)(const T&))
{
    for (auto it = from.begin(); it != from.end();) {
        if (done(**it)) {
            to.push_back(std::move(*it));
            it = from.erase(it);
        } else {
            ++it;
        }
    }
}

struct Reaped {
    std::vector<std::unique_ptr<DiscoverySearch>> searches;
    std::vector<std::unique_ptr<LoginSession>> sessions;
};

// Called with the library's lock held.
Reaped reap(Library& lib)
{
    Reaped reaped;
    for (auto it = lib.searches.begin(); it != lib.searches.end();) {
        if (it->second->finished()) {
            reaped.searches.push_back(std::move(it->second));
            it = lib.searches.erase(it);
        } else {
            ++it;
        }
    }
    takeFinished<DiscoverySearch>(lib.stoppedSearches, reaped.searches,
        [](const DiscoverySearch& search) { return search.finished(); });
    takeFinished<LoginSession>(lib.loggedOut, reaped.sessions,
        [](const LoginSession& session) { return session.idle(); });
    return reaped;
}

} // namespace

extern "C" {

void LS_NET_Startup(void) {}

void LS_NET_SetWaitTime(int32_t searchSeconds, int32_t, int32_t requestSeconds)
{
    OnvifSettings settings = CurrentOnvifSettings();
    if (searchSeconds > 0)
        settings.searchWait = std::chrono::seconds(searchSeconds);
    if (requestSeconds > 0)
        settings.request = {std::chrono::seconds(requestSeconds), std::chrono::seconds(requestSeconds)};
    SetOnvifSettings(settings);
}

int32_t LS_NET_StartSearchDevice(int32_t multi, OnvifSearchRoutine routine, void* user)
{
    if (!routine)
        return 0;
    Library& lib = library();
    Reaped reaped;
    std::lock_guard lock(lib.mutex);
    reaped = reap(lib);
    auto search = std::make_unique<DiscoverySearch>(
        multi == 1 ? SweepMode::AlsoSubnetHosts : SweepMode::MulticastOnly, routine, user, CurrentOnvifSettings());
    if (!search->start())
        return 0;
    std::int32_t handle = lib.newHandle();
    lib.searches[handle] = std::move(search);
    return handle;
}

void LS_NET_StopSearchDevice(int32_t handle)
{
    Library& lib = library();
    Reaped reaped;
    std::unique_ptr<DiscoverySearch> stopping;
    {
        std::lock_guard lock(lib.mutex);
        auto found = lib.searches.find(handle);
        if (found != lib.searches.end()) {
            stopping = std::move(found->second);
            lib.searches.erase(found);
        }
        reaped = reap(lib);
    }
    if (!stopping)
        return;
    // Outside the lock: stopping waits for a routine call in progress, and
    // that routine may call into the library.
    stopping->stop();
    std::lock_guard lock(lib.mutex);
    lib.stoppedSearches.push_back(std::move(stopping));
}

int32_t LS_NET_Login(const OnvifLoginRecord* record)
{
    if (!record)
        return 0;
    Library& lib = library();
    Reaped reaped;
    std::lock_guard lock(lib.mutex);
    reaped = reap(lib);
    std::int32_t handle = lib.newHandle();
    auto session = std::make_unique<LoginSession>(handle, *record, CurrentOnvifSettings());
    if (!session->start())
        return 0;
    lib.sessions[handle] = std::move(session);
    return handle;
}

int32_t LS_NET_SetNetParam(int32_t handle, const OnvifNetParam* block)
{
    return LS_NET_SetNetParamEx(handle, block, nullptr, nullptr);
}

int32_t LS_NET_SetNetParamEx(int32_t handle, const OnvifNetParam* block, OnvifChangeRoutine routine, void* user)
{
    if (!block)
        return -1;
    std::optional<NetParamChange> change = ReadNetParam(*block);
    if (!change)
        return -1;
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    auto found = lib.sessions.find(handle);
    if (found == lib.sessions.end() || !found->second->startChange(*change, {routine, user}))
        return -1;
    return 0;
}

void LS_NET_Logout(int32_t handle)
{
    Library& lib = library();
    Reaped reaped;
    std::unique_ptr<LoginSession> leaving;
    {
        std::lock_guard lock(lib.mutex);
        auto found = lib.sessions.find(handle);
        if (found != lib.sessions.end()) {
            leaving = std::move(found->second);
            lib.sessions.erase(found);
        }
        reaped = reap(lib);
    }
    if (!leaving)
        return;
    leaving->logout(); // waits for a notification in progress, outside the lock
    std::lock_guard lock(lib.mutex);
    lib.loggedOut.push_back(std::move(leaving));
}

void LS_NET_Cleanup(void)
{
    Library& lib = library();
    Reaped everything;
    {
        std::lock_guard lock(lib.mutex);
        for (auto& [handle, search] : lib.searches)
            everything.searches.push_back(std::move(search));
        lib.searches.clear();
        for (auto& search : lib.stoppedSearches)
            everything.searches.push_back(std::move(search));
        lib.stoppedSearches.clear();
        for (auto& [handle, session] : lib.sessions)
            everything.sessions.push_back(std::move(session));
        lib.sessions.clear();
        for (auto& session : lib.loggedOut)
            everything.sessions.push_back(std::move(session));
        lib.loggedOut.clear();
    }
    // Outside the lock, so that a routine running meanwhile may still call
    // into the library. Destroying them joins their threads.
    for (auto& search : everything.searches)
        search->stop();
    for (auto& session : everything.sessions)
        session->logout();
}

} // extern "C"
