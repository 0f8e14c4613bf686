#pragma once

#include <cstdint>
#include <string>

namespace lorvena {

// The configuration form's values, exchanged with the controls all at once:
// a view reads every value from its control, or writes every value into it.
// Addresses are 32-bit, first octet most significant.
struct FormValues {
    std::uint32_t originalIp = 0;       // hidden control 1008
    std::uint32_t newIp = 0;            // 1005
    std::uint32_t netMask = 0xFFFFFF00; // 1006
    std::uint32_t gateway = 0;          // 1007
    std::uint32_t dnsServer = 0;        // 1010
    bool dhcpEnabled = false;           // 1009
    std::string httpPortText;           // 1022
    std::string rtspPortText;           // 1023
    std::string mobilePortText;         // 1025, hidden
    std::string passwordText;           // 1026
    std::string userName = "admin";     // 1028
    std::string macText;                // 1042, hidden
    std::uint32_t startIp = 0;          // 1051

    bool operator==(const FormValues&) const = default;
};

} // namespace lorvena
