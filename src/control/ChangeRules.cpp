#include "control/ChangeRules.h"

#include "platform/TextCodec.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <initializer_list>

namespace lorvena {

namespace {

// Ports the devices keep for themselves.
constexpr std::int32_t reservedPorts[] = {4000, 8999};

bool reserved(std::int32_t port)
{
    return std::find(std::begin(reservedPorts), std::end(reservedPorts), port) != std::end(reservedPorts);
}

bool inServiceRange(std::int32_t port, std::int32_t wellKnown)
{
    return port == wellKnown || (port >= 1025 && port <= 65534);
}

} // namespace

bool addressAcceptable(std::uint32_t address)
{
    std::uint32_t last = address & 0xFFu;
    return last != 0 && last != 255;
}

bool maskAcceptable(std::uint32_t mask)
{
    std::uint32_t negated = ~mask + 1u;
    return negated == 0 || (negated & (negated - 1)) == 0;
}

bool outsideMaskedSubnet(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway)
{
    return ((gateway ^ address) & mask) != 0;
}

SimpleSubnetVerdict simpleSubnetRule(std::uint32_t newAddress, std::uint32_t gateway)
{
    if (gateway == 0)
        return {false, (newAddress & 0xFFFFFF00u) | 1u};
    return {(newAddress & 0xFFFFFF00u) != (gateway & 0xFFFFFF00u), std::nullopt};
}

bool maskedSubnetPasses(ChangeDialogue& user, std::uint32_t address, std::uint32_t mask, std::uint32_t gateway)
{
    // A device given a broken mask could not be reached again.
    if (!maskAcceptable(mask)) {
        user.say(ChangeMessages::badMask);
        return false;
    }
    return !outsideMaskedSubnet(address, mask, gateway) || user.ask(ChangeMessages::subnetQuestion);
}

std::optional<std::uint32_t> simpleSubnetPasses(ChangeDialogue& user, std::uint32_t newAddress, std::uint32_t gateway)
{
    SimpleSubnetVerdict subnet = simpleSubnetRule(newAddress, gateway);
    if (subnet.filledGateway)
        return *subnet.filledGateway;
    if (subnet.ask && !user.ask(ChangeMessages::subnetQuestion))
        return std::nullopt;
    return gateway;
}

DeviceOutcome exchangeResult(ExchangeOutcome outcome)
{
    switch (outcome) {
    case ExchangeOutcome::Accepted:
        return DeviceOutcome::Changed;
    case ExchangeOutcome::WrongPassword:
    case ExchangeOutcome::Refused:
        return DeviceOutcome::Refused;
    case ExchangeOutcome::Timeout:
    case ExchangeOutcome::ReceiveError:
        break;
    }
    return DeviceOutcome::Unreachable;
}

std::optional<std::string_view> exchangeProblem(ExchangeOutcome outcome)
{
    switch (outcome) {
    case ExchangeOutcome::WrongPassword:
        return ChangeMessages::wrongPassword;
    case ExchangeOutcome::Timeout:
        return ChangeMessages::replyTimeout;
    case ExchangeOutcome::ReceiveError:
        return ChangeMessages::receiveError;
    case ExchangeOutcome::Accepted:
    case ExchangeOutcome::Refused:
        break;
    }
    return std::nullopt;
}

DeviceOutcome authorityResult(AuthorityVerdict verdict)
{
    if (verdict == AuthorityVerdict::Accepted)
        return DeviceOutcome::Changed;
    return verdict == AuthorityVerdict::Unreachable ? DeviceOutcome::Unreachable : DeviceOutcome::Refused;
}

std::string_view authorityProblem(AuthorityVerdict verdict)
{
    return verdict == AuthorityVerdict::Unreachable ? ChangeMessages::noConnection : ChangeMessages::wrongPassword;
}

ChangePath changePathFor(std::int32_t typeCode)
{
    if (typeCode >= 900 && typeCode <= 999)
        return ChangePath::Onvif;
    if ((typeCode >= 500 && typeCode <= 899) || typeCode == 1000)
        return ChangePath::Extended;
    return ChangePath::Basic;
}

ModifyValues modifyValues(const FormValues& form, const std::string& currentIpText, const std::string& macText)
{
    ModifyValues values;
    values.currentIpText = currentIpText;
    // The address fields go out only while they can be edited: with DHCP on
    // the device takes them from the server.
    values.addressesIncluded = !form.dhcpEnabled;
    values.newIp = form.newIp;
    values.mask = form.netMask;
    values.gateway = form.gateway;
    values.dns = form.dnsServer;
    values.dhcp = form.dhcpEnabled;
    values.macText = macText;
    values.httpPort = leadingInteger(form.httpPortText);
    values.rtspPort = leadingInteger(form.rtspPortText);
    values.thirdPort = leadingInteger(form.mobilePortText);
    values.userName = utf8ToDeviceText(form.userName);
    values.password = utf8ToDeviceText(form.passwordText);
    return values;
}

ModifyValues oldModifyValues(
    const FormValues& form, const std::string& currentIpText, std::uint32_t newAddress, std::uint32_t gateway)
{
    ModifyValues values = modifyValues(form, currentIpText, {});
    values.addressesIncluded = true;
    values.dhcp = false;
    values.newIp = newAddress;
    values.gateway = gateway;
    return values;
}

std::optional<std::string> portProblem(std::string_view kindText, std::int32_t typeCode, std::string_view httpPort,
    std::string_view rtspPort, std::string_view thirdPort)
{
    const std::int32_t h = leadingInteger(httpPort);
    const std::int32_t r = leadingInteger(rtspPort);
    const std::int32_t t = leadingInteger(thirdPort);
    const bool recorder = kindText.find("DVR") != std::string_view::npos;

    if (recorder && typeCode >= 800)
        return std::nullopt;
    if (recorder) {
        // Recorders do not compare RTSP with the third port, nor range-check RTSP.
        if (h == r || h == t || reserved(h) || reserved(t) || reserved(r))
            return std::string(ChangeMessages::portRepeated);
    } else if (typeCode < 500) {
        if (h == r || h == t || r == t || reserved(h) || reserved(t) || reserved(r))
            return std::string(ChangeMessages::portRepeated);
        if (!inServiceRange(r, 554))
            return std::string(ChangeMessages::rtspRange);
    }
    if (!inServiceRange(h, 80))
        return std::string(ChangeMessages::httpRange);
    return std::nullopt;
}

namespace ChangeMessages {

std::string FormatAddressInUse(std::string_view ipText)
{
    return "Adres IP " + std::string(ipText) + " jest już używany. Czy na pewno wprowadzić zmianę?";
}

std::string FormatAddressSkipped(std::string_view ipText, std::string_view holder)
{
    // One line per skip: a device's name with a line break in it would
    // pass for a line of its own (a success, say).
    std::string named(holder);
    std::replace_if(
        named.begin(), named.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return "Pominięto zajęty adres IP " + std::string(ipText) + " (" + named + ")";
}

std::string FormatNoFreeAddress(std::string_view lastTried)
{
    return "Brak wolnego adresu IP po " + std::string(lastTried) + ": pozostałe urządzenia nie zostały zmienione";
}

std::string FormatNotPinged(std::string_view ipText)
{
    return "cannot ping (no ICMP socket): " + std::string(ipText) + " not checked for a host answering there";
}

} // namespace ChangeMessages

} // namespace lorvena
