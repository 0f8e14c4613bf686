#pragma once

#include <pugixml.hpp>

#include <chrono>
#include <string>

namespace lorvena::devsim::onvif {

// The device's side of WS-Security UsernameToken: the Security header of a
// request must carry the device's user name and a PasswordDigest over the
// nonce, the Created time and the password, with Created within
// `allowedSkew` of the device's own clock (that is what makes a client that
// ignores the device's clock fail).
struct DigestPolicy {
    std::string userName;
    std::string password;
    std::chrono::system_clock::time_point deviceNow;
    std::chrono::seconds allowedSkew {300};
};

bool DigestAccepted(const pugi::xml_node& envelope, const DigestPolicy& policy);

// "2024-05-01T12:00:00Z" or with fractional seconds; nullopt otherwise.
bool ParseCreated(const std::string& text, std::chrono::system_clock::time_point& time);

} // namespace lorvena::devsim::onvif
