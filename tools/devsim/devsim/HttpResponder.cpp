#include "devsim/HttpResponder.h"

#include "platform/TextCase.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace lorvena::devsim {

namespace {

constexpr std::string_view firstProbe = "/vb.htm?paratest=authority";
constexpr std::array<std::string_view, 3> probePaths {firstProbe, "/vb.htm?getserialnum=", "/vb.htm?getlongsesn="};
constexpr std::string_view userName = "admin";
// The upgrade progress query: "/vb.htm?setuser=<user>&upgradeprocess".
constexpr std::string_view progressStart = "/vb.htm?setuser=";
constexpr std::string_view progressEnd = "&upgradeprocess";

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Strict RFC 4648 Base64 (padding required); nothing for anything else.
std::optional<std::string> base64Decode(std::string_view text)
{
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string result;
    for (std::size_t at = 0; at < text.size(); at += 4) {
        std::size_t padding = 0;
        if (at + 4 == text.size() && text[at + 3] == '=')
            padding = text[at + 2] == '=' ? 2 : 1;
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            std::size_t value = i < 4 - padding ? alphabet.find(text[at + i]) : 0;
            if (value == std::string_view::npos)
                return std::nullopt;
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        result += static_cast<char>(group >> 16);
        if (padding < 2)
            result += static_cast<char>(group >> 8);
        if (padding < 1)
            result += static_cast<char>(group);
    }
    return result;
}

bool credentialsMatch(std::string_view head, const SimulatedDevice& device)
{
    std::string expected = std::string(userName) + ":" + credentialText(device.password);
    std::size_t lineStart = head.find("\r\n");
    while (lineStart != std::string_view::npos) {
        lineStart += 2;
        std::size_t lineEnd = head.find("\r\n", lineStart);
        std::string_view line = head.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd;
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !equalsIgnoringCase(trimmed(line.substr(0, colon)), "authorization"))
            continue;
        std::string_view value = trimmed(line.substr(colon + 1));
        std::size_t space = value.find(' ');
        if (space == std::string_view::npos || !equalsIgnoringCase(value.substr(0, space), "basic"))
            return false;
        std::optional<std::string> decoded = base64Decode(trimmed(value.substr(space + 1)));
        return decoded && *decoded == expected;
    }
    return false;
}

const char* reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    }
    return "Error";
}

// The user named in a progress query, or nothing for another path.
std::optional<std::string_view> progressQueryUser(std::string_view path)
{
    if (path.size() < progressStart.size() + progressEnd.size() || !path.starts_with(progressStart)
        || !path.ends_with(progressEnd))
        return std::nullopt;
    return path.substr(progressStart.size(), path.size() - progressStart.size() - progressEnd.size());
}

HttpAnswer answered(std::string path, int status, std::string body = {})
{
    if (body.empty())
        body = std::string(reasonOf(status)) + "\n";
    std::string bytes = "HTTP/1.1 " + std::to_string(status) + " " + reasonOf(status) + "\r\n";
    if (status == 401)
        bytes += "WWW-Authenticate: Basic realm=\"device\"\r\n";
    bytes += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
    return {std::move(path), status, std::move(bytes)};
}

struct RequestLine {
    std::string_view method;
    std::string_view path;
    bool valid = false;
};

RequestLine requestLine(std::string_view head)
{
    std::string_view line = head.substr(0, head.find("\r\n"));
    std::size_t first = line.find(' ');
    std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos)
        return {};
    return {line.substr(0, first), line.substr(first + 1, second - first - 1),
        line.substr(second + 1).starts_with("HTTP/1.")};
}

// The answer a hostile device makes of a well-formed one.
HttpAnswer reshaped(HttpAnswer answer, const SimulatedDevice& device)
{
    const std::string statusLine = answer.bytes.substr(0, answer.bytes.find("\r\n") + 2);
    switch (device.http) {
    case HttpMode::EndlessHeader:
        answer.bytes = statusLine + "X-Filler: ";
        answer.fillerBytes = endlessFiller;
        answer.filler = 'h';
        break;
    case HttpMode::HugeBody:
        answer.bytes = statusLine + "Content-Type: application/octet-stream\r\nContent-Length: "
            + std::to_string(hugeBodyBytes) + "\r\nConnection: close\r\n\r\n";
        answer.fillerBytes = hugeBodyBytes;
        answer.filler = 'b';
        break;
    case HttpMode::Drip:
        answer.drip = device.httpDrip;
        break;
    default:
        break;
    }
    return answer;
}

HttpAnswer wellFormedAnswer(std::string_view head, const SimulatedDevice& device, int progressFigure)
{
    RequestLine request = requestLine(head);
    std::string path = request.valid ? std::string(request.path) : "-";
    if (!request.valid)
        return answered(path, 400);
    if (request.method != "GET")
        return answered(path, 405);
    if (std::optional<std::string_view> user = progressQueryUser(request.path)) {
        // The query names the user it asks for; only the one who logs in may.
        if (*user != userName || !credentialsMatch(head, device))
            return answered(path, 401);
        return answered(path, 200, "process=" + std::to_string(progressFigure) + "<br>");
    }
    if (std::find(probePaths.begin(), probePaths.end(), request.path) == probePaths.end())
        return answered(path, 404);
    if (device.http == HttpMode::RefuseFirst && request.path == firstProbe)
        return answered(path, 401);
    return answered(path, credentialsMatch(head, device) ? 200 : 401);
}
} // namespace

HttpAnswer HttpResponder::answer(std::string_view head, const SimulatedDevice& device, int progressFigure)
{
    if (device.http == HttpMode::Silent) {
        RequestLine request = requestLine(head);
        return {request.valid ? std::string(request.path) : "-", 0, {}};
    }
    return reshaped(wellFormedAnswer(head, device, progressFigure), device);
}

HttpAnswer HttpResponder::tooLarge(std::string_view start, const SimulatedDevice& device)
{
    RequestLine request = requestLine(start);
    std::string path = request.valid ? std::string(request.path) : "-";
    return device.http == HttpMode::Silent ? HttpAnswer {path, 0, {}} : reshaped(answered(path, 400), device);
}
} // namespace lorvena::devsim
