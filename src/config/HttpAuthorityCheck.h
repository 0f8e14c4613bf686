#pragma once

#include "net/CHttpRequest.h"

#include <string>

namespace lorvena {

enum class AuthorityVerdict {
    Accepted,    // a probe answered "200 OK"
    Refused,     // the server answered, but never "200 OK"
    Unreachable, // no probe got an answer
};

// Asks a device's web server whether it accepts the credentials in
// `authToken` (Base64 of "user:password"): the three CGI probes in turn,
// until one answers "200 OK". The later two serve devices that do not know
// the first.
AuthorityVerdict ProbeAuthority(const std::string& ipText, const std::string& httpPortText,
    const std::string& authToken, HttpTimings timings = {});

inline bool HttpAuthorityCheck(const std::string& ipText, const std::string& httpPortText,
    const std::string& authToken, HttpTimings timings = {})
{
    return ProbeAuthority(ipText, httpPortText, authToken, timings) == AuthorityVerdict::Accepted;
}

} // namespace lorvena
