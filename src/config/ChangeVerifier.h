#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/InterfaceSockets.h"
#include "discovery/MacText.h"
#include "discovery/SearchPackets.h"
#include "platform/UniqueFd.h"
#include "platform/WindowMessage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lorvena {

// Which search finds a device again after a change: the one of the
// generation it was changed by.
enum class VerifyGeneration { Old, Basic, Extended, Onvif };

// What a device reported as changed should look like from now on.
struct ChangeExpectation {
    VerifyGeneration generation = VerifyGeneration::Basic;
    // The device's MAC as listed (any spelling). An ONVIF device's answer
    // carries none: the neighbour table's entry for its address stands in.
    std::string identity;
    // The address it was listed with before the change.
    std::string formerIp;
    // Where it should answer from now on (host byte order); ignored with DHCP,
    // where any address will do.
    std::uint32_t expectedIp = 0;
    bool dhcp = false;
    // The table row it was listed in (0: find it by identity).
    std::uint64_t rowId = 0;
    // Its MAC as the list shows it, for what is said about it.
    std::string listedMac;
};

// How the verification of one device ended.
struct VerificationResult {
    // In the order the devices were handed over.
    std::uint64_t ticket = 0;
    ChangeExpectation expected;
    bool confirmed = false;
    // The device as it answered at its new settings (empty when not seen).
    std::optional<DeviceRecord> seen;
};


// Whether `seen` (a device's search reply, turned into its row texts) is the
// expected device, at its expected address.
bool identityMatches(const ChangeExpectation& expected, const DeviceRecord& seen);
bool addressMatches(const ChangeExpectation& expected, const DeviceRecord& seen);

// The text saying where a device was expected ("10.1.2.1", or "DHCP").
std::string expectedAddressText(const ChangeExpectation& expected);

// Listens for changed devices at their new settings. Runs on a thread of its
// own: once a second, for as long as any device is awaited, the search of
// each awaited generation leaves from a socket bound to every local address
// (sockets of its own, never the search's: their replies would land in the
// device list), and the replies are compared with the expectations. Each
// device ends confirmed when it answers with its new address, or not seen
// when its wait is over; either way one MessageId::ChangeVerified is posted
// (wParam: the ticket expect() gave) and the result waits in take().
// Never blocks its caller; stop() (and the destructor) end it promptly, and
// the thread only starts with the first device handed over.
class ChangeVerifier {
public:
    ChangeVerifier(MessagePoster& poster, AddressSource addresses, std::chrono::milliseconds wait);
    ~ChangeVerifier();
    ChangeVerifier(const ChangeVerifier&) = delete;
    ChangeVerifier& operator=(const ChangeVerifier&) = delete;

    // Thread-safe. Returns the ticket of this device's result.
    std::uint64_t expect(const ChangeExpectation& expected);
    // The result posted with `ticket`, once.
    std::optional<VerificationResult> take(std::uint64_t ticket);
    // Devices still awaited, or whose result has not been taken yet.
    std::size_t pending() const;
    void stop();

    // Between two rounds of searches.
    static constexpr std::chrono::milliseconds roundInterval {1000};

private:
    struct Awaited {
        std::uint64_t ticket;
        ChangeExpectation expected;
        std::chrono::steady_clock::time_point deadline;
        std::optional<DeviceRecord> lastSeen;
    };

    void run();
    void round(std::vector<Awaited>& awaited);
    void finish(Awaited&& awaited, bool confirmed);

    MessagePoster& poster_;
    AddressSource addresses_;
    std::chrono::milliseconds wait_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Awaited> incoming_;
    std::size_t inFlight_ = 0;
    std::map<std::uint64_t, VerificationResult> results_;
    std::uint64_t nextTicket_ = 1;
    std::atomic<bool> stopped_ {false};
    UniqueFd wake_;
    std::thread thread_;
};

} // namespace lorvena
