#include "hostile/GarbageSender.h"

#include "platform/UniqueFd.h"

#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string_view>

namespace lorvena::testing_support {

namespace {

constexpr std::size_t largestPayload = 65507;
// Datagrams go out in bursts of this many, one burst per pacing step.
constexpr unsigned burst = 50;

// The i-th datagram of the flood: mostly random bytes of random length, with
// the shapes a parser trips over mixed in (empty, one byte, a magic with an
// unknown command, the largest payload).
std::vector<std::uint8_t> junk(std::size_t i, std::mt19937& random)
{
    std::vector<std::uint8_t> bytes;
    switch (i % 1000) {
    case 0:
        return bytes; // empty
    case 1:
        bytes.assign(1, 's');
        return bytes;
    case 2: {
        constexpr std::string_view nearMiss("searching..\0\x7F", 13);
        bytes.assign(nearMiss.begin(), nearMiss.end());
        bytes.resize(348, 0x41);
        return bytes;
    }
    case 3:
        bytes.assign(largestPayload, 0x5A);
        return bytes;
    default:
        break;
    }
    bytes.resize(std::uniform_int_distribution<std::size_t>(2, 700)(random));
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    if (bytes[0] == 's')
        bytes[0] = 'x'; // never the start of a magic
    return bytes;
}

} // namespace

GarbageSender::GarbageSender(Plan plan) : plan_(std::move(plan))
{
    thread_ = std::thread([this] { run(); });
}

GarbageSender::~GarbageSender()
{
    stop();
}

std::size_t GarbageSender::stop()
{
    stopRequested_ = true;
    if (thread_.joinable())
        thread_.join();
    return sent_.load();
}

void GarbageSender::run()
{
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket || plan_.targets.empty() || plan_.perSecond == 0)
        return;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + plan_.duration;
    const auto step = std::chrono::nanoseconds(std::chrono::seconds(1)) * burst / plan_.perSecond;
    std::mt19937 random(6789);
    std::size_t count = 0;
    for (Clock::time_point next = start; !stopRequested_ && count < plan_.limit && Clock::now() < end; next += step) {
        for (unsigned i = 0; i < burst && count < plan_.limit; ++i, ++count) {
            const sockaddr_in& target = plan_.targets[count % plan_.targets.size()];
            std::vector<std::uint8_t> bytes = junk(count, random);
            // A full buffer on the receiving side loses the datagram, as on a
            // real network: the flood goes on.
            sendto(socket.get(), bytes.data(), bytes.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&target),
                sizeof target);
        }
        sent_ = count;
        std::this_thread::sleep_until(next + step);
    }
    sent_ = count;
}

} // namespace lorvena::testing_support
