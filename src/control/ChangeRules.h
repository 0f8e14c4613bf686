#pragma once

#include "config/ExtendedExchange.h"
#include "config/HttpAuthorityCheck.h"
#include "config/ModifyRequests.h"
#include "control/ChangeOutcome.h"
#include "control/FormValues.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena {

// What a single change and a batch have in common: the checks a change
// passes before anything is sent, what a device's answer means and what the
// window says of it, and the request's values. Addresses are 32-bit, first
// octet most significant.

// A host address may not end in .0 or .255.
bool addressAcceptable(std::uint32_t address);

// A mask is a run of one bits from the top followed only by zero bits;
// 0.0.0.0 and 255.255.255.255 both pass.
bool maskAcceptable(std::uint32_t mask);

// The gateway lies outside the address's subnet under `mask`.
bool outsideMaskedSubnet(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway);

// The simpler rule of the old generation and the SDK path: an empty gateway
// becomes a.b.c.1 without a question; otherwise the first three octets must
// match or the user is asked.
struct SimpleSubnetVerdict {
    bool ask = false;
    std::optional<std::uint32_t> filledGateway;
};
SimpleSubnetVerdict simpleSubnetRule(std::uint32_t newAddress, std::uint32_t gateway);

// How a change's checks speak to the user: on the window's thread, or from
// a batch's worker through it.
class ChangeDialogue {
public:
    virtual void say(std::string_view text) = 0;
    virtual bool ask(std::string_view text) = 0;

protected:
    ~ChangeDialogue() = default;
};

// The mask, then the new gateway against `address` under it: a broken mask
// is refused with its message, a gateway outside the subnet is asked about.
// True when the change may go on.
bool maskedSubnetPasses(ChangeDialogue& user, std::uint32_t address, std::uint32_t mask, std::uint32_t gateway);

// simpleSubnetRule with its question: the gateway to send (the one given, or
// a.b.c.1 for an empty one), or nothing when the user would not go on.
std::optional<std::uint32_t> simpleSubnetPasses(ChangeDialogue& user, std::uint32_t newAddress, std::uint32_t gateway);

// The port checks: the message to show, or nothing when the ports pass.
// Texts that are not numbers count as 0.
std::optional<std::string> portProblem(std::string_view kindText, std::int32_t typeCode, std::string_view httpPort,
    std::string_view rtspPort, std::string_view thirdPort);

// What an extended exchange's end means for the device, and what the window
// says of it when it did not change the device (nothing for a bare refusal).
DeviceOutcome exchangeResult(ExchangeOutcome outcome);
std::optional<std::string_view> exchangeProblem(ExchangeOutcome outcome);

// The same for a credential check (or a login standing in for one) that did
// not accept: a device that never answered is not one that refused.
DeviceOutcome authorityResult(AuthorityVerdict verdict);
std::string_view authorityProblem(AuthorityVerdict verdict);

// The path a device of the new generation is changed by, from its type code.
enum class ChangePath { Onvif, Extended, Basic };
ChangePath changePathFor(std::int32_t typeCode);

// The values a modify request carries, from the form and the device named.
ModifyValues modifyValues(const FormValues& form, const std::string& currentIpText, const std::string& macText);

// An old-generation request: those devices have no DHCP flag, so it always
// carries the fixed addresses given, whatever a hidden DHCP box says.
ModifyValues oldModifyValues(
    const FormValues& form, const std::string& currentIpText, std::uint32_t newAddress, std::uint32_t gateway);

// The messages of a change.
namespace ChangeMessages {
inline constexpr std::string_view badAddress = "Błędny adres IP";
inline constexpr std::string_view badMask = "Błędna maska sieci";
inline constexpr std::string_view subnetQuestion =
    "Adres IP i brama nie są w tej samej podsieci! Cz na pewno wprowadzić zmianę?";
inline constexpr std::string_view portRepeated = "The port is repeated!";
inline constexpr std::string_view rtspRange = "the effective value of RTSP port is 554 or from 1025 to 65534";
inline constexpr std::string_view httpRange = "The effective value of HTTP port is 80 or from 1025 to 65534";
inline constexpr std::string_view notAdministrator = "Please enter the administrator account!";
inline constexpr std::string_view passwordTooLong = "Enter password no more than 31 character!";
inline constexpr std::string_view wrongPassword = "Błąd hasła!";
// The device never answered the credential check.
inline constexpr std::string_view noConnection = "Brak połączenia z urządzeniem!";
// A batch in which no device was changed.
inline constexpr std::string_view nothingChanged = "Nie zmieniono żadnego urządzenia";
inline constexpr std::string_view replyTimeout = "Przekroczono czas odbioru danych!";
inline constexpr std::string_view receiveError = "Błąd odbioru danych!";
inline constexpr std::string_view success = "Zmiana zakończona powodzeniem";
// The question before a change gives an address another device holds.
std::string FormatAddressInUse(std::string_view ipText);
// A batch's line for an address it passed over, and for addresses that ran
// out past the last one tried.
std::string FormatAddressSkipped(std::string_view ipText, std::string_view holder);
std::string FormatNoFreeAddress(std::string_view lastTried);
// What the window traces, and the console prints, when it cannot ping.
std::string FormatNotPinged(std::string_view ipText);
} // namespace ChangeMessages

} // namespace lorvena
