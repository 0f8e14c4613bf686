#pragma once

#include <chrono>
#include <string>

namespace lorvena {

enum class EchoAnswer {
    Answered,
    Silent,
    // Neither an ICMP socket nor a raw socket could be opened: this process
    // cannot see the device at all.
    CannotProbe,
};

// The two looks of the reboot watch at a device. Tests script them.
class EchoProbe {
public:
    virtual ~EchoProbe() = default;
    // The first look after the transfer.
    virtual EchoAnswer firstLook(const std::string& target, std::chrono::milliseconds timeout) = 0;
    // Every later look.
    virtual EchoAnswer nextLook(const std::string& target, std::chrono::milliseconds timeout) = 0;
};

// The real probes: PingIcmpEcho for the first look, PingRawIcmp after it.
class IcmpEchoProbe final : public EchoProbe {
public:
    EchoAnswer firstLook(const std::string& target, std::chrono::milliseconds timeout) override;
    EchoAnswer nextLook(const std::string& target, std::chrono::milliseconds timeout) override;
};

} // namespace lorvena
