#pragma once

#include "devsim/SimulatedDevice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// The device side of one video-server connection: login, server
// information, updates. Pure, like UpgradeReceiver: fed what arrived, it
// says what to send and what happened. The device's writing after a
// complete package is timed by the caller, which sends `progressFrame` for
// 0, 10, ..., 100 and then `resultFrame`.
class VideoServerSession {
public:
    static constexpr std::uint64_t maxPackageBytes = 512u * 1024 * 1024;
    static constexpr int progressSteps = 10;
    // Result codes of the device besides its configured error.
    static constexpr std::int32_t resultEmptyPackage = 2;
    static constexpr std::int32_t resultTooLarge = 3;

    struct Step {
        std::string reply;
        std::optional<bool> login;               // a login was answered: accepted?
        std::optional<std::uint64_t> updateSize; // an update began
        std::string package;                     // package bytes received now
        bool packageComplete = false;            // the caller starts the writing
        std::optional<bool> updateEnded;         // an update ended here: ok?
        bool close = false;                      // close once `reply` is sent
        bool badFrame = false;                   // (then close)
    };

    explicit VideoServerSession(const SimulatedDevice& device);

    Step take(std::string_view bytes);

    std::string progressFrame(int percent) const;
    std::string resultFrame() const;
    bool resultIsOk() const { return device_.videoServer.hostile != VideoServerHostility::ErrorAtEnd; }
    // The result has gone out: the session takes frames again.
    void writingDone();

    std::uint64_t packageBytes() const { return received_; }
    bool updating() const { return phase_ == Phase::Package || phase_ == Phase::Writing; }

private:
    enum class Phase { Login, Ready, Package, Writing, Closed };

    void takeFrame(std::string_view& bytes, Step& step);
    void takePackage(std::string_view& bytes, Step& step);
    void login(std::string_view payload, Step& step);
    void update(std::string_view payload, Step& step);
    void bad(Step& step);

    SimulatedDevice device_;
    Phase phase_ = Phase::Login;
    std::string pending_; // an incomplete frame
    std::uint64_t size_ = 0;
    std::uint64_t received_ = 0;
};

} // namespace lorvena::devsim
