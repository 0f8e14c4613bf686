#include "sdk/onvif/UsernameToken.h"

#include "net/Base64.h"
#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/SoapXml.h"

#include <openssl/rand.h>
#include <openssl/sha.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <random>

namespace lorvena::onvif {

std::string PasswordDigest(std::string_view rawNonce, std::string_view created, std::string_view password)
{
    std::string input;
    input.reserve(rawNonce.size() + created.size() + password.size());
    input.append(rawNonce).append(created).append(password);
    std::array<unsigned char, SHA_DIGEST_LENGTH> hash {};
    SHA1(reinterpret_cast<const unsigned char*>(input.data()), input.size(), hash.data());
    return Base64Encode(std::string_view(reinterpret_cast<const char*>(hash.data()), hash.size()));
}

std::string FormatUtc(std::chrono::system_clock::time_point time)
{
    std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts {};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
        parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

UsernameToken MakeUsernameToken(std::string_view userName, std::string_view password, std::chrono::seconds clockOffset)
{
    std::array<unsigned char, 16> nonce {};
    if (RAND_bytes(nonce.data(), static_cast<int>(nonce.size())) != 1) {
        // The nonce only has to be unlikely to repeat; it guards no secret.
        std::random_device source;
        for (unsigned char& byte : nonce)
            byte = static_cast<unsigned char>(source());
    }
    std::string_view raw(reinterpret_cast<const char*>(nonce.data()), nonce.size());
    UsernameToken token;
    token.userName = std::string(userName);
    token.nonceBase64 = Base64Encode(raw);
    token.created = FormatUtc(std::chrono::system_clock::now() + clockOffset);
    token.digest = PasswordDigest(raw, token.created, password);
    return token;
}

std::string SecurityHeader(const UsernameToken& token)
{
    std::string header;
    header += "<wsse:Security s:mustUnderstand=\"1\" xmlns:wsse=\"";
    header += ns::security;
    header += "\" xmlns:wsu=\"";
    header += ns::securityUtility;
    header += "\"><wsse:UsernameToken><wsse:Username>";
    header += XmlEscape(token.userName);
    header += "</wsse:Username><wsse:Password Type=\"";
    header += ns::passwordDigestType;
    header += "\">";
    header += token.digest;
    header += "</wsse:Password><wsse:Nonce EncodingType=\"";
    header += ns::base64Encoding;
    header += "\">";
    header += token.nonceBase64;
    header += "</wsse:Nonce><wsu:Created>";
    header += token.created;
    header += "</wsu:Created></wsse:UsernameToken></wsse:Security>";
    return header;
}

} // namespace lorvena::onvif
