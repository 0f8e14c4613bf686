#pragma once

#include "devsim/SimulatedDevice.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// The upgrade command that opens a firmware upload on a device's HTTP port:
// "CMD:UPGRADE MCTP/1.0 CS\n@<length>@\nEND\n".
struct UpgradeCommand {
    enum class Status { Incomplete, Bad, Complete };
    Status status = Status::Incomplete;
    std::uint32_t length = 0; // the package length it announces
    std::size_t size = 0;     // bytes the command takes

    // Reads the command at the start of `bytes`. Incomplete while `bytes`
    // could still grow into a valid command; Bad as soon as it cannot (also
    // for a length above 32 bits, or more than 10 digits).
    static UpgradeCommand parse(std::string_view bytes);
    // Whether a connection that sent `start` is an upload rather than an
    // HTTP request, or cannot tell yet.
    enum class Kind { Undecided, Upload, Other };
    static Kind classify(std::string_view start);
};

// The device side of one firmware upload, byte by byte: the command, the
// first reply, the size field (sized devices), the package, the final
// reply; and what a hostile device does instead. Pure: it is fed what the
// connection received and says what to send and what happened, so every
// split of the stream can be tested without sockets.
class UpgradeReceiver {
public:
    // Larger packages are refused after the command: the simulator keeps
    // each in memory.
    static constexpr std::uint32_t maxPackageBytes = 512u * 1024 * 1024;
    static constexpr std::size_t maxCommandBytes = 64;
    static constexpr std::string_view firstReply = "OK\n";

    enum class Then {
        Read,              // go on reading
        StopReading,       // keep the connection, never read again
        CloseAfterSending, // send `reply`, then close
    };

    // What one call of `take` did. Each event happens once per upload.
    struct Step {
        std::string recorded; // bytes that joined the upload's stream (command, size field, package)
        std::string reply;    // to send now
        Then then = Then::Read;
        std::optional<std::uint32_t> command;   // the announced length, when the command was read
        std::optional<std::uint32_t> sizeField; // when the size field was read
        std::optional<std::string> ended;       // how the upload ended, when it did
        bool badCommand = false;                // not an upgrade command after all (then: close)
    };

    explicit UpgradeReceiver(const UpgradeBehaviour& behaviour);

    Step take(std::string_view bytes);
    // The outcome text of a final reply: "@<code>@", "none" or "no-at".
    static std::string describe(const FinalReply& reply);
    // The bytes of a final reply.
    static std::string bytesOf(const FinalReply& reply);

    std::uint64_t packageBytes() const { return received_; }
    bool ended() const { return phase_ == Phase::Ended; }
    bool packageComplete() const { return complete_; }

private:
    enum class Phase { Command, Size, Package, Ended };

    void takeCommand(std::string_view& bytes, Step& step);
    void takeSize(std::string_view& bytes, Step& step);
    void takePackage(std::string_view& bytes, Step& step);
    void enterPackage(Step& step);
    void afterPackageBytes(Step& step);
    void end(Step& step, std::string outcome, Then then);

    bool stalls() const { return behaviour_.hostile == UpgradeHostility::StopReading; }
    // A device that stops reading does so half-way through the package.
    std::uint64_t stallPoint() const { return length_ / 2; }

    UpgradeBehaviour behaviour_;
    Phase phase_ = Phase::Command;
    std::string pending_; // an incomplete command or size field
    std::uint32_t length_ = 0;
    std::uint64_t received_ = 0;
    bool complete_ = false;
};

} // namespace lorvena::devsim
