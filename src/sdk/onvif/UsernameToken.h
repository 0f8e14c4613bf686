#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace lorvena::onvif {

// WS-Security UsernameToken with a PasswordDigest, the way ONVIF devices
// check credentials: Base64(SHA-1(nonce + created + password)), the nonce
// taken as raw bytes.
struct UsernameToken {
    std::string userName;
    std::string nonceBase64;
    std::string created; // "2024-05-01T12:00:00Z", in the device's clock
    std::string digest;  // Base64
};

// The digest over the raw nonce bytes, the Created text and the password.
std::string PasswordDigest(std::string_view rawNonce, std::string_view created, std::string_view password);

// "YYYY-MM-DDThh:mm:ssZ" in UTC.
std::string FormatUtc(std::chrono::system_clock::time_point time);

// A token for a request sent now to a device whose clock runs `clockOffset`
// ahead of ours, with a fresh random nonce.
UsernameToken MakeUsernameToken(std::string_view userName, std::string_view password,
    std::chrono::seconds clockOffset);

// The wsse:Security header element (with its own namespace declarations).
std::string SecurityHeader(const UsernameToken& token);

} // namespace lorvena::onvif
