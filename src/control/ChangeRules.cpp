#include "control/ChangeRules.h"

#include "platform/TextNumbers.h"

#include <algorithm>
#include <initializer_list>

namespace lorvena {

namespace {

// Ports the devices keep for themselves.
constexpr std::int32_t reservedPorts[] = {4000, 8999};

bool reserved(std::int32_t port)
{
    return std::find(std::begin(reservedPorts), std::end(reservedPorts), port) != std::end(reservedPorts);
}

bool inServiceRange(std::int32_t port, std::int32_t wellKnown)
{
    return port == wellKnown || (port >= 1025 && port <= 65534);
}

} // namespace

bool addressAcceptable(std::uint32_t address)
{
    std::uint32_t last = address & 0xFFu;
    return last != 0 && last != 255;
}

bool maskAcceptable(std::uint32_t mask)
{
    std::uint32_t negated = ~mask + 1u;
    return negated == 0 || (negated & (negated - 1)) == 0;
}

bool outsideMaskedSubnet(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway)
{
    return ((gateway ^ address) & mask) != 0;
}

SimpleSubnetVerdict simpleSubnetRule(std::uint32_t newAddress, std::uint32_t gateway)
{
    if (gateway == 0)
        return {false, (newAddress & 0xFFFFFF00u) | 1u};
    return {(newAddress & 0xFFFFFF00u) != (gateway & 0xFFFFFF00u), std::nullopt};
}

std::optional<std::string> portProblem(std::string_view kindText, std::int32_t typeCode, std::string_view httpPort,
    std::string_view rtspPort, std::string_view thirdPort)
{
    const std::int32_t h = leadingInteger(httpPort);
    const std::int32_t r = leadingInteger(rtspPort);
    const std::int32_t t = leadingInteger(thirdPort);
    const bool recorder = kindText.find("DVR") != std::string_view::npos;

    if (recorder && typeCode >= 800)
        return std::nullopt;
    if (recorder) {
        // Recorders do not compare RTSP with the third port, nor range-check RTSP.
        if (h == r || h == t || reserved(h) || reserved(t) || reserved(r))
            return std::string(ChangeMessages::portRepeated);
    } else if (typeCode < 500) {
        if (h == r || h == t || r == t || reserved(h) || reserved(t) || reserved(r))
            return std::string(ChangeMessages::portRepeated);
        if (!inServiceRange(r, 554))
            return std::string(ChangeMessages::rtspRange);
    }
    if (!inServiceRange(h, 80))
        return std::string(ChangeMessages::httpRange);
    return std::nullopt;
}

} // namespace lorvena
