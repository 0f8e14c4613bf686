#pragma once

#include "control/ChangeServices.h"
#include "control/OnvifLibrary.h"
#include "control/OnvifRoutines.h"
#include "control/SdkLibrary.h"
#include "discovery/InterfaceSockets.h"
#include "platform/WindowMessage.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

namespace lorvena {

// The real way a change reaches devices: broadcasts on the search sockets,
// the extended exchange from every local address, the web-server check, and
// the vendor SDK and the ONVIF library (when given), whose answers are
// posted to the window.
class NetworkChangeServices final : public ChangeServices {
public:
    NetworkChangeServices(InterfaceSockets& sockets, AddressSource addresses, MessagePoster& poster,
        SdkLibrary& sdk, OnvifLibrary* onvif = nullptr);
    ~NetworkChangeServices() override;

    void sendOldModify(const ModifyValues& values) override;
    void sendBasicModify(const ModifyValues& values) override;
    ExchangeOutcome extendedExchange(const ModifyValues& values) override;
    AuthorityVerdict httpAuthorityCheck(const std::string& ipText, const std::string& httpPortText,
        const std::string& authToken) override;
    void sdkLogin(const std::string& ipText, const std::string& httpPortText, const std::string& userName,
        const std::string& password, bool secondFamily) override;
    void sdkLogout() override;
    bool sdkLoggedIn() const override { return sdkLoginHandle_.load() != 0; }
    int sdkUpgrade(const std::string& packagePath) override;
    bool onvifLogin(const std::string& ipText, const std::string& httpPortText, const std::string& userName,
        const std::string& password) override;
    bool onvifChange(const OnvifNetParam& block) override;
    void onvifLogout() override;
    void sdkLoginFor(std::uintptr_t session, const std::string& ipText, const std::string& httpPortText,
        const std::string& userName, const std::string& password, bool secondFamily) override;
    bool onvifLoginFor(std::uintptr_t session, const std::string& ipText, const std::string& httpPortText,
        const std::string& userName, const std::string& password) override;

private:
    // A context the libraries may call with until they are cleaned up: it
    // lives as long as these services.
    LoginContext* contextFor(std::uintptr_t session);

    InterfaceSockets& sockets_;
    AddressSource addresses_;
    MessagePoster& poster_;
    SdkLibrary& sdk_;
    // A batch's worker may still log in after Cancel while the window logs
    // in for an upgrade: one login or logout at a time.
    std::mutex sdkMutex_;
    std::atomic<std::int32_t> sdkLoginHandle_ {0};
    void sdkLogoutLocked();
    OnvifLibrary* onvif_;
    // Set by a batch's worker, read at shutdown on the window's thread.
    std::atomic<std::int32_t> onvifLoginHandle_ {0};
    std::atomic<LoginContext*> onvifLoginContext_ {nullptr};
    std::mutex contextMutex_;
    std::deque<LoginContext> contexts_;
};

} // namespace lorvena
