#pragma once

#include "devsim/ModifyRequest.h"

#include <string_view>

namespace lorvena::devsim {

// The extended modify request's password field: the password followed by
// zero bytes up to 32, enciphered with single DES in ECB mode (four 8-byte
// blocks, key "70937093"). The device deciphers it and compares.
class DevicePassword {
public:
    // The field the tool sends for `password` (as the device stores it, at
    // most 31 bytes; a longer one is cut).
    static PasswordField encipher(std::string_view password);

    // Whether `field` deciphers to exactly `password` followed by zero
    // bytes. A password of 32 bytes or more never matches.
    static bool matches(const PasswordField& field, std::string_view password);
};

} // namespace lorvena::devsim
