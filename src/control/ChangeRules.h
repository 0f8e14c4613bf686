#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena {

// The checks a change passes before anything is sent. Addresses are 32-bit,
// first octet most significant.

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

// The port checks: the message to show, or nothing when the ports pass.
// Texts that are not numbers count as 0.
std::optional<std::string> portProblem(std::string_view kindText, std::int32_t typeCode, std::string_view httpPort,
    std::string_view rtspPort, std::string_view thirdPort);

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
} // namespace ChangeMessages

} // namespace lorvena
