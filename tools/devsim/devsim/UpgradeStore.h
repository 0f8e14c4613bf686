#pragma once

#include "devsim/SimulatedDevice.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvena::devsim {

// The last firmware upload a device took on its HTTP port.
struct UpgradeRecord {
    std::uint32_t uploads = 0;        // upgrade commands read so far
    std::string stream;               // the last upload as received: command, size field, package
    std::uint32_t announcedLength = 0;
    std::optional<std::uint32_t> sizeField;
    std::uint64_t packageBytes = 0;   // package bytes read
    std::string outcome;              // "" while it runs; else as logged ("@0@", "none", "stalled", ...)
    bool complete = false;            // the whole package arrived
};

// The last update a device's video-server service took.
struct VideoServerRecord {
    std::uint32_t logins = 0;        // accepted
    std::uint32_t refusedLogins = 0;
    std::uint32_t updates = 0;       // begun
    std::uint64_t announcedSize = 0;
    std::string package;             // the last update's bytes as received
    std::string outcome;             // "" while it runs; "ok" or "error"
};

// Every device's upload and video-server records, shared between the
// simulator's thread (writes) and tests (snapshots).
class UpgradeStore {
public:
    using Clock = std::chrono::steady_clock;

    explicit UpgradeStore(std::size_t deviceCount);

    void beginUpload(std::size_t device, std::uint32_t announcedLength);
    void appendUpload(std::size_t device, std::string_view bytes, std::uint64_t packageBytes);
    void setSizeField(std::size_t device, std::uint32_t value);
    // `complete`: the package arrived whole at `when`, which starts the
    // device's progress figure.
    void endUpload(std::size_t device, const std::string& outcome, bool complete, Clock::time_point when);

    // The figure the progress CGI shows at `now`: 0 until an upload has
    // completed, then climbing to 100 over the device's progress time (60 at
    // most for a device that never gets there).
    int progressFigure(std::size_t device, const UpgradeBehaviour& behaviour, Clock::time_point now) const;

    void recordLogin(std::size_t device, bool accepted);
    void beginUpdate(std::size_t device, std::uint64_t size);
    void appendUpdate(std::size_t device, std::string_view bytes);
    void endUpdate(std::size_t device, bool ok);

    UpgradeRecord upload(std::size_t device) const;
    VideoServerRecord videoServer(std::size_t device) const;

    struct Totals {
        std::uint64_t uploads = 0;       // upgrade commands read
        std::uint64_t uploadsEnded = 0;  // uploads whose outcome is known
        std::uint64_t logins = 0;        // video-server logins, accepted or refused
        std::uint64_t updatesEnded = 0;  // video-server updates whose outcome is known
    };
    Totals totals() const;

private:
    struct Entry {
        UpgradeRecord upload;
        std::optional<Clock::time_point> completedAt;
        VideoServerRecord videoServer;
    };

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    Totals totals_;
};

} // namespace lorvena::devsim
