#include "config/HttpAuthorityCheck.h"

#include "net/Fetch.h"

namespace lorvena {

AuthorityVerdict ProbeAuthority(
    const std::string& ipText, const std::string& httpPortText, const std::string& authToken, HttpTimings timings)
{
    static constexpr const char* probes[] = {
        "/vb.htm?paratest=authority",
        "/vb.htm?getserialnum=",
        "/vb.htm?getlongsesn=",
    };
    const std::string base = "http://" + ipText + ":" + httpPortText;
    CHttpRequest http(timings);
    bool answered = false;
    for (const char* probe : probes) {
        std::string request, header, body;
        if (Fetch(http, base + probe, authToken, request, header, body) != 1)
            continue;
        answered = answered || !header.empty();
        if (header.find("200 OK") != std::string::npos)
            return AuthorityVerdict::Accepted;
    }
    return answered ? AuthorityVerdict::Refused : AuthorityVerdict::Unreachable;
}

} // namespace lorvena
