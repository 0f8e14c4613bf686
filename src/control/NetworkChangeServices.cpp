#include "control/NetworkChangeServices.h"

#include "config/HttpAuthorityCheck.h"
#include "control/OnvifRoutines.h"
#include "control/SdkRoutines.h"
#include "platform/TextCodec.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cstring>

namespace lorvena {

namespace {

template<std::size_t Size>
void copyText(char (&field)[Size], const std::string& text)
{
    std::size_t length = std::min(text.size(), Size - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

NetworkChangeServices::NetworkChangeServices(InterfaceSockets& sockets, AddressSource addresses,
    MessagePoster& poster, SdkLibrary& sdk, OnvifLibrary* onvif)
    : sockets_(sockets), addresses_(std::move(addresses)), poster_(poster), sdk_(sdk), onvif_(onvif)
{
}

NetworkChangeServices::~NetworkChangeServices()
{
    onvifLogout();
    sdkLogout();
}

void NetworkChangeServices::sendOldModify(const ModifyValues& values)
{
    lorvena::sendOldModify(sockets_, values);
}

void NetworkChangeServices::sendBasicModify(const ModifyValues& values)
{
    lorvena::sendBasicModify(sockets_, values);
}

ExchangeOutcome NetworkChangeServices::extendedExchange(const ModifyValues& values)
{
    // The search's extended sockets are kept fresh as before a search; the
    // exchange itself uses sockets of its own.
    sockets_.refreshSockets(SocketFamily::Extended);
    return ExtendedExchange(values, addresses_);
}

AuthorityVerdict NetworkChangeServices::httpAuthorityCheck(
    const std::string& ipText, const std::string& httpPortText, const std::string& authToken)
{
    return ProbeAuthority(ipText, httpPortText, authToken);
}

LoginContext* NetworkChangeServices::contextFor(std::uintptr_t session)
{
    std::lock_guard lock(contextMutex_);
    for (LoginContext& context : contexts_) {
        if (context.session == session)
            return &context;
    }
    return &contexts_.emplace_back(LoginContext {&poster_, session});
}

void NetworkChangeServices::sdkLogin(const std::string& ipText, const std::string& httpPortText,
    const std::string& userName, const std::string& password, bool secondFamily)
{
    sdkLoginFor(0, ipText, httpPortText, userName, password, secondFamily);
}

void NetworkChangeServices::sdkLoginFor(std::uintptr_t session, const std::string& ipText,
    const std::string& httpPortText, const std::string& userName, const std::string& password, bool secondFamily)
{
    std::lock_guard lock(sdkMutex_);
    sdkLogoutLocked();
    QvNetLoginRecord record {};
    copyText(record.address, ipText);
    record.port = leadingInteger(httpPortText);
    record.one = 1;
    copyText(record.userName, utf8ToDeviceText(userName));
    copyText(record.password, utf8ToDeviceText(password));
    record.always1 = 1;
    record.secondFamily = secondFamily ? 1 : 0;
    record.userContext = contextFor(session);
    record.notify = &SdkNotify;
    sdkLoginHandle_ = sdk_.login(record);
}

void NetworkChangeServices::sdkLogout()
{
    std::lock_guard lock(sdkMutex_);
    sdkLogoutLocked();
}

void NetworkChangeServices::sdkLogoutLocked()
{
    std::int32_t handle = sdkLoginHandle_.exchange(0);
    if (handle != 0)
        sdk_.logout(handle);
}

int NetworkChangeServices::sdkUpgrade(const std::string& packagePath)
{
    std::lock_guard lock(sdkMutex_);
    return sdk_.upgrade(sdkLoginHandle_, packagePath);
}

bool NetworkChangeServices::onvifLogin(const std::string& ipText, const std::string& httpPortText,
    const std::string& userName, const std::string& password)
{
    return onvifLoginFor(0, ipText, httpPortText, userName, password);
}

bool NetworkChangeServices::onvifLoginFor(std::uintptr_t session, const std::string& ipText,
    const std::string& httpPortText, const std::string& userName, const std::string& password)
{
    if (!onvif_)
        return false;
    OnvifLoginRecord record {};
    copyText(record.address, ipText);
    record.port = leadingInteger(httpPortText);
    copyText(record.userName, utf8ToDeviceText(userName));
    copyText(record.password, utf8ToDeviceText(password));
    LoginContext* context = contextFor(session);
    record.userContext = context;
    record.notify = &OnvifNotify;
    onvifLoginContext_ = context;
    // A handle still held (a login whose change never came) is replaced,
    // not logged out: the library ends it at clean-up.
    onvifLoginHandle_ = onvif_->login(record);
    return onvifLoginHandle_ != 0;
}

bool NetworkChangeServices::onvifChange(const OnvifNetParam& block)
{
    std::int32_t handle = onvifLoginHandle_.exchange(0);
    if (!onvif_ || handle == 0)
        return false;
    // The change's answer belongs to the login it was made in.
    LoginContext* context = onvifLoginContext_.load();
    bool started = onvif_->setNetParam(handle, block, &OnvifChangeNotify, context ? context : contextFor(0)) == 0;
    onvif_->logout(handle);
    return started;
}

void NetworkChangeServices::onvifLogout()
{
    std::int32_t handle = onvifLoginHandle_.exchange(0);
    if (onvif_ && handle != 0)
        onvif_->logout(handle);
}

} // namespace lorvena
