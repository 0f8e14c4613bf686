#pragma once

#include "config/ExtendedExchange.h"
#include "config/HttpAuthorityCheck.h"
#include "config/ModifyRequests.h"
#include "sdk/onvif/OnvifAccess.h"

#include <cstdint>
#include <string>

namespace lorvena {

// The device. How a change reaches a device: the broadcasts, the extended
// exchange, the credential checks and the library logins. The controller
// decides what to send; this says how. Tests replace it.
class ChangeServices {
public:
    virtual ~ChangeServices() = default;

    virtual void sendOldModify(const ModifyValues& values) = 0;
    virtual void sendBasicModify(const ModifyValues& values) = 0;
    virtual ExchangeOutcome extendedExchange(const ModifyValues& values) = 0;

    // Asks the device's web server whether it takes these credentials.
    // `authToken` is the Base64 credential text the requests carried. A
    // device that never answered is told apart from one that refused.
    virtual AuthorityVerdict httpAuthorityCheck(const std::string& ipText, const std::string& httpPortText,
        const std::string& authToken) = 0;

    // Starts a login through the vendor SDK; the answer arrives later as
    // WM_LOGIN_RESULT_OK / WM_LOGIN_RESULT_FAIL (or WM_SDK_CONNECT_FAILED).
    virtual void sdkLogin(const std::string& ipText, const std::string& httpPortText, const std::string& userName,
        const std::string& password, bool secondFamily) = 0;
    virtual void sdkLogout() = 0;
    // Whether the last SDK login left a session open.
    virtual bool sdkLoggedIn() const { return false; }
    // Hands a firmware package to the SDK session; 0 when the upgrade has
    // started (its progress arrives as WM_SDK_UPGRADE_* messages).
    virtual int sdkUpgrade(const std::string& /*packagePath*/) { return -1; }

    // Starts a login through the ONVIF library; false when that path is not
    // available. The answer arrives as a login message too.
    virtual bool onvifLogin(const std::string& ipText, const std::string& httpPortText, const std::string& userName,
        const std::string& password) = 0;

    // The same logins, numbered: their answers (and the answer to an ONVIF
    // change made in that login) carry `session` as the message's wParam,
    // so that a late answer is not taken for a later login's.
    virtual void sdkLoginFor(std::uintptr_t /*session*/, const std::string& ipText, const std::string& httpPortText,
        const std::string& userName, const std::string& password, bool secondFamily)
    {
        sdkLogin(ipText, httpPortText, userName, password, secondFamily);
    }
    virtual bool onvifLoginFor(std::uintptr_t /*session*/, const std::string& ipText, const std::string& httpPortText,
        const std::string& userName, const std::string& password)
    {
        return onvifLogin(ipText, httpPortText, userName, password);
    }
    // Hands the settings to the device of the last ONVIF login, then logs
    // out. False when the library did not take them (no successful login,
    // a block it cannot use); otherwise how the device took them arrives
    // later as MessageId::OnvifChangeResult.
    virtual bool onvifChange(const OnvifNetParam& /*block*/) { return false; }
    // Ends an ONVIF login still held.
    virtual void onvifLogout() {}
};

} // namespace lorvena
