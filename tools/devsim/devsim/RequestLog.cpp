#include "devsim/RequestLog.h"

#include "platform/LocalAddresses.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstring>

namespace lorvena::devsim {

namespace {

// Keeps every line's words apart whatever the request carried.
std::string word(std::string_view text)
{
    if (text.empty())
        return "-";
    std::string result(text);
    for (char& c : result) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 0x7F)
            c = '?';
    }
    return result;
}

} // namespace

bool RequestLog::open(const std::string& path, std::string& error)
{
    file_.reset(std::fopen(path.c_str(), "a"));
    if (!file_) {
        error = "cannot open log " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string RequestLog::formatLine(RequestKind kind, const sockaddr_in& source, std::string_view addressText,
    std::string_view interfaceName)
{
    std::string line = requestKindName(kind);
    line += ' ';
    line += dottedAddress(ntohl(source.sin_addr.s_addr));
    line += ':';
    line += std::to_string(ntohs(source.sin_port));
    line += ' ';
    line += word(addressText);
    line += ' ';
    line += word(interfaceName);
    return line;
}

std::string RequestLog::formatHttpLine(std::string_view path, int status)
{
    return "http " + word(path) + " " + (status == 0 ? std::string("-") : std::to_string(status));
}

std::string RequestLog::formatEventLine(std::string_view event, std::uint32_t deviceIp, std::string_view details)
{
    std::string line = std::string(event) + " " + dottedAddress(deviceIp);
    if (!details.empty())
        line += " " + std::string(details);
    return line;
}

void RequestLog::record(RequestKind kind, const sockaddr_in& source, std::string_view addressText,
    std::string_view interfaceName)
{
    if (file_)
        write(formatLine(kind, source, addressText, interfaceName));
}

void RequestLog::recordHttp(std::string_view path, int status)
{
    if (file_)
        write(formatHttpLine(path, status));
}

void RequestLog::recordEvent(std::string_view event, std::uint32_t deviceIp, std::string_view details)
{
    if (file_)
        write(formatEventLine(event, deviceIp, details));
}

void RequestLog::write(std::string line)
{
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fflush(file_.get());
}

} // namespace lorvena::devsim
