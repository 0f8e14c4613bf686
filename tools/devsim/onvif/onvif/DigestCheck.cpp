#include "onvif/DigestCheck.h"

#include "sdk/onvif/SoapXml.h"

#include <openssl/evp.h>

#include <cstdio>
#include <ctime>
#include <vector>

namespace lorvena::devsim::onvif {

using lorvena::onvif::Child;
using lorvena::onvif::Path;
using lorvena::onvif::TrimmedText;

namespace {

bool base64Decode(const std::string& text, std::string& bytes)
{
    if (text.empty() || text.size() % 4 != 0 || text.size() > 1024)
        return false;
    std::vector<unsigned char> out(text.size() / 4 * 3);
    int length = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
        static_cast<int>(text.size()));
    if (length < 0)
        return false;
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t padding = text.back() == '=' ? (text[text.size() - 2] == '=' ? 2 : 1) : 0;
    bytes.assign(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(length) - padding);
    return true;
}

std::string base64Encode(const unsigned char* data, std::size_t length)
{
    std::vector<unsigned char> out(4 * ((length + 2) / 3) + 1);
    int written = EVP_EncodeBlock(out.data(), data, static_cast<int>(length));
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(written));
}

std::string sha1Base64(const std::string& input)
{
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), hash, &length, EVP_sha1(), nullptr);
    return base64Encode(hash, length);
}

} // namespace

bool ParseCreated(const std::string& text, std::chrono::system_clock::time_point& time)
{
    std::tm parts {};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
            &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &consumed)
        != 6)
        return false;
    std::string rest = text.substr(static_cast<std::size_t>(consumed));
    if (!rest.empty() && rest[0] == '.') {
        std::size_t digits = rest.find_first_not_of("0123456789", 1);
        rest = digits == std::string::npos ? std::string() : rest.substr(digits);
    }
    if (rest != "Z")
        return false;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    // The system clock counts nanoseconds in 64 bits (1677 to 2262); a
    // Created outside that cannot be compared with any clock.
    const std::time_t seconds = timegm(&parts);
    constexpr auto clockRange =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::duration::max()).count();
    if (seconds < -clockRange || seconds > clockRange)
        return false;
    time = std::chrono::system_clock::from_time_t(seconds);
    return true;
}

bool DigestAccepted(const pugi::xml_node& envelope, const DigestPolicy& policy)
{
    pugi::xml_node token = Path(envelope, {"Header", "Security", "UsernameToken"});
    if (!token)
        return false;
    pugi::xml_node password = Child(token, "Password");
    std::string type = password.attribute("Type").value();
    if (type.size() < 15 || type.compare(type.size() - 15, 15, "#PasswordDigest") != 0)
        return false;
    if (TrimmedText(Child(token, "Username")) != policy.userName)
        return false;
    std::string created = TrimmedText(Child(token, "Created"));
    std::chrono::system_clock::time_point createdTime;
    if (!ParseCreated(created, createdTime))
        return false;
    // In whole seconds: two nanosecond clock readings centuries apart
    // overflow when subtracted.
    using std::chrono::seconds;
    const seconds createdSeconds = std::chrono::duration_cast<seconds>(createdTime.time_since_epoch());
    const seconds nowSeconds = std::chrono::duration_cast<seconds>(policy.deviceNow.time_since_epoch());
    const seconds skew = createdSeconds > nowSeconds ? createdSeconds - nowSeconds : nowSeconds - createdSeconds;
    if (skew > policy.allowedSkew)
        return false;
    std::string nonce;
    if (!base64Decode(TrimmedText(Child(token, "Nonce")), nonce))
        return false;
    return sha1Base64(nonce + created + policy.password) == TrimmedText(password);
}

} // namespace lorvena::devsim::onvif
