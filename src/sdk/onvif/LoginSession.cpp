#include "sdk/onvif/LoginSession.h"

#include "platform/DebugTrace.h"
#include "platform/DeviceAddress.h"
#include "platform/TextCodec.h"
#include "sdk/onvif/DeviceReplies.h"
#include "sdk/onvif/OnvifNamespaces.h"

#include <arpa/inet.h>

namespace lorvena::onvif {

namespace {

std::optional<std::uint32_t> parseAddress(const std::string& text)
{
    in_addr address {};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

} // namespace

LoginSession::LoginSession(std::int32_t handle, const OnvifLoginRecord& record, OnvifSettings settings)
    : handle_(handle)
    , record_(record)
    , settings_(std::move(settings))
{
    // The record carries credentials in Windows-1250, as every route hands
    // them to a device library. ONVIF is the exception on the wire: the
    // user name travels inside UTF-8 XML and the WS-Security digest is taken
    // over the password's UTF-8 bytes, which is what ONVIF devices compute.
    credentials_.userName = windows1250ToUtf8(ReadField(record_.userName, sizeof record_.userName));
    credentials_.password = windows1250ToUtf8(ReadField(record_.password, sizeof record_.password));
}

LoginSession::~LoginSession()
{
    loggedOut_ = true;
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(stateMutex_);
        threads.swap(threads_);
    }
    for (std::thread& thread : threads) {
        if (thread.joinable())
            thread.join();
    }
}

bool LoginSession::start()
{
    std::lock_guard lock(stateMutex_);
    ++running_;
    try {
        threads_.emplace_back(&LoginSession::runLogin, this);
    } catch (const std::system_error&) {
        --running_;
        return false;
    }
    return true;
}

void LoginSession::logout()
{
    std::lock_guard lock(notifyMutex_);
    loggedOut_ = true;
}

void LoginSession::notify(std::int32_t event)
{
    std::lock_guard lock(notifyMutex_);
    if (!loggedOut_ && record_.notify)
        record_.notify(handle_, event, nullptr, record_.userContext);
}

void LoginSession::runLogin()
{
    std::string addressText = ReadField(record_.address, sizeof record_.address);
    // The digest goes to a device's own numeric address only.
    std::optional<std::uint32_t> address = deviceAddress(addressText);
    bool succeeded = false;
    if (address && record_.port > 0 && record_.port <= 65535) {
        SoapEndpoint endpoint;
        endpoint.address = *address;
        endpoint.port = static_cast<std::uint16_t>(record_.port);
        endpoint.path = KnownServicePaths().find(endpoint.address, endpoint.port).value_or(ns::defaultDeviceServicePath);
        DeviceClient client(endpoint, settings_.request, &loggedOut_);
        CallOutcome clockOutcome = CallOutcome::Ok;
        std::optional<std::chrono::seconds> offset = client.clockOffset(clockOutcome);
        // A device that answers but whose clock we cannot read is tried
        // with ours; one that does not answer at all has failed already.
        if (offset || (clockOutcome != CallOutcome::Unreachable && clockOutcome != CallOutcome::NoAnswer
                && clockOutcome != CallOutcome::Cancelled)) {
            Credentials credentials = credentials_;
            credentials.clockOffset = offset.value_or(std::chrono::seconds(0));
            client.setCredentials(credentials);
            CallResult interfaces = client.call(DeviceAction::GetNetworkInterfaces);
            std::optional<NetworkInterfaceInfo> info;
            if (interfaces.outcome == CallOutcome::Ok)
                info = ParseNetworkInterfaces(interfaces.body);
            if (info) {
                std::lock_guard lock(stateMutex_);
                loggedIn_ = true;
                endpoint_ = endpoint;
                credentials_ = credentials;
                interfaceToken_ = info->token;
                succeeded = true;
            }
        }
    }
    debugTrace(succeeded ? "ONVIF login ok" : "ONVIF login failed");
    notify(succeeded ? LS_NET_EVENT_LOGIN_OK : LS_NET_EVENT_LOGIN_FAILED);
    --running_;
}

bool LoginSession::startChange(const NetParamChange& change, ChangeListener listener)
{
    std::lock_guard lock(stateMutex_);
    if (!loggedIn_)
        return false;
    ++running_;
    try {
        threads_.emplace_back(&LoginSession::runChange, this, change, listener);
    } catch (const std::system_error&) {
        --running_;
        return false;
    }
    return true;
}

void LoginSession::runChange(NetParamChange change, ChangeListener listener)
{
    const bool accepted = sendChange(change);
    debugTrace(accepted ? "ONVIF change sent" : "ONVIF change failed");
    // Not held back by a logout: whoever started the change still waits to
    // hear how it went.
    if (listener.routine)
        listener.routine(handle_, accepted ? LS_NET_CHANGE_ACCEPTED : LS_NET_CHANGE_FAILED, listener.user);
    --running_;
}

bool LoginSession::sendChange(const NetParamChange& change)
{
    SoapEndpoint endpoint;
    Credentials credentials;
    InterfaceChange interfaceChange;
    {
        std::lock_guard lock(stateMutex_);
        endpoint = endpoint_;
        credentials = credentials_;
        interfaceChange.token = interfaceToken_;
    }
    interfaceChange.dhcp = change.dhcp;
    interfaceChange.address = change.address;
    interfaceChange.prefixLength = change.prefixLength;

    // No cancel: the user asked for this change, and each request is bounded.
    DeviceClient client(endpoint, settings_.request, nullptr);
    client.setCredentials(credentials);
    CallResult interfaces = client.call(DeviceAction::SetNetworkInterfaces, SetNetworkInterfacesBody(interfaceChange));
    if (interfaces.outcome != CallOutcome::Ok)
        return false;
    bool accepted = true;
    const bool rebootNeeded = ParseRebootNeeded(interfaces.body).value_or(false);
    // A device that applied the address at once is only reachable there now.
    if (!rebootNeeded && !change.dhcp) {
        SoapEndpoint moved = client.endpoint();
        moved.address = *parseAddress(change.address);
        client.setEndpoint(moved);
    }
    if (!change.dhcp && !change.gateway.empty()) {
        CallResult gateway = client.call(DeviceAction::SetNetworkDefaultGateway,
            SetNetworkDefaultGatewayBody(change.gateway));
        accepted = gateway.outcome == CallOutcome::Ok;
    }

    bool portChanged = false;
    if (change.httpPort && *change.httpPort != client.endpoint().port) {
        CallResult protocols = client.call(DeviceAction::SetNetworkProtocols, SetNetworkProtocolsBody(*change.httpPort));
        portChanged = protocols.outcome == CallOutcome::Ok;
        accepted = accepted && portChanged;
    }
    if (rebootNeeded) {
        CallResult reboot = client.call(DeviceAction::SystemReboot);
        if (reboot.outcome == CallOutcome::Unreachable && portChanged) {
            // Some devices move their web server to the new port at once.
            SoapEndpoint moved = client.endpoint();
            moved.port = *change.httpPort;
            client.setEndpoint(moved);
            client.call(DeviceAction::SystemReboot);
        }
    }
    return accepted;
}

} // namespace lorvena::onvif
