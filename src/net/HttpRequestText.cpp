#include "net/HttpRequestText.h"

#include <cstring>
#include <string_view>

namespace lorvena {

std::optional<std::string> BuildRequestText(const UrlParts& parts, const char* extraHeaders,
    const std::uint8_t* body, std::size_t bodyLength, const std::string& authorization)
{
    std::string text;
    text.reserve(requestBufferBytes);
    text += body != nullptr ? "POST " : "GET ";
    text += parts.path.empty() ? std::string("/") : parts.path;
    text += " HTTP/1.1\r\n";
    text += "Accept: */*\r\n";
    text += "Accept-Language: en-us\r\n";
    text += "Accept-Encoding: gzip, default\r\n";
    text += "User-Agent: http client\r\n";
    // Sent even when the credentials are empty: the lines never depend on them.
    text += "Authorization: Basic " + authorization + "\r\n";
    // Follows the length alone, as it always has, not whether a body exists.
    if (bodyLength != 0)
        text += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
    text += "Host: " + parts.host + "\r\n";
    if (extraHeaders != nullptr)
        text += extraHeaders;
    text += "\r\n";
    // The body is form text for the device's CGI and goes out as text: it
    // ends at its first zero byte even when the length says more.
    if (body != nullptr && bodyLength != 0) {
        const char* bodyText = reinterpret_cast<const char*>(body);
        text += std::string_view(bodyText, strnlen(bodyText, bodyLength));
    }
    if (text.size() >= requestBufferBytes)
        return std::nullopt;
    return text;
}

} // namespace lorvena
