#pragma once

#include "sdk/onvif/DeviceClient.h"
#include "sdk/onvif/DeviceRecordFields.h"
#include "sdk/onvif/OnvifAccess.h"
#include "sdk/onvif/OnvifSettings.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lorvena::onvif {

// One login and the changes made through it. The login reads the device's
// clock without credentials (devices refuse a digest whose Created is far
// from their own clock, and few installers' devices keep the right time),
// then signs GetNetworkInterfaces with it: the interface token it returns is
// what a change needs anyway.
// Who hears how a change ended (nobody when `routine` is null).
struct ChangeListener {
    OnvifChangeRoutine routine = nullptr;
    void* user = nullptr;
};

class LoginSession {
public:
    LoginSession(std::int32_t handle, const OnvifLoginRecord& record, OnvifSettings settings);
    // Waits for the login and every change.
    ~LoginSession();
    LoginSession(const LoginSession&) = delete;
    LoginSession& operator=(const LoginSession&) = delete;

    bool start();
    // No event arrives once this returns; a login still waiting for the
    // device gives up. Started changes go on.
    void logout();
    // False when the login has not (yet) succeeded. Otherwise `listener`
    // hears the outcome once, logged out or not.
    bool startChange(const NetParamChange& change, ChangeListener listener = {});
    // Whether every thread of the session has ended.
    bool idle() const { return running_.load() == 0; }

private:
    void runLogin();
    void runChange(NetParamChange change, ChangeListener listener);
    // Sends the change's requests; whether the device took them all.
    bool sendChange(const NetParamChange& change);
    void notify(std::int32_t event);

    std::int32_t handle_;
    OnvifLoginRecord record_;
    OnvifSettings settings_;

    std::recursive_mutex notifyMutex_;
    std::atomic<bool> loggedOut_ {false};
    std::atomic<int> running_ {0};

    std::mutex stateMutex_;
    bool loggedIn_ = false;
    SoapEndpoint endpoint_;
    Credentials credentials_;
    std::string interfaceToken_;
    std::vector<std::thread> threads_;
};

} // namespace lorvena::onvif
