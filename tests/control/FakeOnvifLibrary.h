#pragma once

#include "control/OnvifLibrary.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace lorvena::testing_support {

// A scripted ONVIF library: it records every call in order and keeps the
// routines it was given, so that the test can play the library's threads
// (found devices, the end of a search, login and change answers).
class FakeOnvifLibrary final : public OnvifLibrary {
public:
    void startup() override { record("startup"); }
    void setWaitTime(std::int32_t searchSeconds, std::int32_t unused, std::int32_t requestSeconds) override
    {
        record("setWaitTime " + std::to_string(searchSeconds) + " " + std::to_string(unused) + " "
            + std::to_string(requestSeconds));
    }
    std::int32_t startSearchDevice(std::int32_t multi, OnvifSearchRoutine routine, void* user) override
    {
        record("start " + std::to_string(multi));
        std::lock_guard lock(mutex);
        searchRoutine = routine;
        searchUser = user;
        return searchHandle;
    }
    void stopSearchDevice(std::int32_t handle) override { record("stop " + std::to_string(handle)); }
    std::int32_t login(const OnvifLoginRecord& login) override
    {
        record(std::string("login ") + login.address + ":" + std::to_string(login.port) + " " + login.userName + " "
            + login.password);
        std::lock_guard lock(mutex);
        lastLogin = login;
        logins.push_back(login);
        std::int32_t handle = nextLoginHandle++;
        if (answerLoginsAt)
            login.notify(handle, *answerLoginsAt, nullptr, login.userContext);
        if (onLogin)
            onLogin(handle);
        return handle;
    }
    std::int32_t setNetParam(std::int32_t handle, const OnvifNetParam& block, OnvifChangeRoutine routine,
        void* user) override
    {
        record("setNetParam " + std::to_string(handle));
        std::lock_guard lock(mutex);
        blocks.push_back(block);
        changeRoutine = routine;
        changeUser = user;
        if (setNetParamResult == 0 && answerChangesWith && routine)
            routine(handle, *answerChangesWith, user);
        return setNetParamResult;
    }
    void logout(std::int32_t handle) override { record("logout " + std::to_string(handle)); }
    void cleanup() override { record("cleanup"); }

    // What the library's threads would do.
    void found(const OnvifDeviceRecord& device) { searchRoutine(&device, searchUser); }
    void searchEnded() { searchRoutine(nullptr, searchUser); }
    void answerLogin(std::int32_t event) { lastLogin.notify(nextLoginHandle - 1, event, nullptr, lastLogin.userContext); }
    void answerChange(std::int32_t outcome) { changeRoutine(0, outcome, changeUser); }

    std::vector<std::string> takeCalls()
    {
        std::lock_guard lock(mutex);
        std::vector<std::string> taken;
        taken.swap(calls);
        return taken;
    }

    std::mutex mutex;
    std::vector<std::string> calls;
    std::int32_t searchHandle = 7;
    std::int32_t nextLoginHandle = 30;
    std::int32_t setNetParamResult = 0;
    // When set, every login / started change is answered at once, from the
    // calling thread (as a library thread would, a moment later).
    std::optional<std::int32_t> answerLoginsAt;
    std::optional<std::int32_t> answerChangesWith;
    OnvifSearchRoutine searchRoutine = nullptr;
    void* searchUser = nullptr;
    OnvifLoginRecord lastLogin {};
    // Every login in order, and what a test does when one is made.
    std::vector<OnvifLoginRecord> logins;
    std::function<void(std::int32_t handle)> onLogin;
    std::vector<OnvifNetParam> blocks;
    OnvifChangeRoutine changeRoutine = nullptr;
    void* changeUser = nullptr;

private:
    void record(std::string call)
    {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
    }
};

} // namespace lorvena::testing_support
