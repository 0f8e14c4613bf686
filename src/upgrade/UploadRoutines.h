#pragma once

#include "upgrade/EchoProbe.h"
#include "upgrade/UpgradeTimings.h"
#include "upgrade/WatchReboot.h"

namespace lorvena {

class UploadHost;

// The routines' result codes (lastUploadResult). Any other non-zero code of
// UploadThenWatch is the device's own verdict.
namespace upload_result {
inline constexpr int success = 0;
inline constexpr int cannotOpenFile = 102;
inline constexpr int emptyFile = 103;
// Longer than the 32-bit length the command and size field can announce.
inline constexpr int fileTooLarge = 104;
inline constexpr int cannotResolve = 201;
inline constexpr int noSocket = 202;
inline constexpr int cannotConnect = 203;
inline constexpr int noFirstReply = 204;
inline constexpr int chunkNotSent = 205;
inline constexpr int commandNotSent = 206;
// The device never reported completion within the progress limit.
inline constexpr int progressStalled = 301;
// The reboot watch reached its limit without seeing the device restart.
inline constexpr int restartNotSeen = 302;
inline constexpr int noFinalVerdict = 400;
} // namespace upload_result

struct UploadOutcome {
    int code = upload_result::success;
    // How the reboot watch after a successful transfer ended, for the
    // routines that watch.
    WatchEnd watch = WatchEnd::Ended;

    // The device took the package and what followed was seen to its end.
    bool succeeded() const { return code == upload_result::success && watch == WatchEnd::Ended; }
};

// Each sends the package to the selected device's HTTP port and follows the
// device to the end of its upgrade; on success the bar stands at 100. The
// panel's own ending (flags, fields, messages) is the caller's.
UploadOutcome UploadThenWatch(UploadHost& host, EchoProbe& probe, const UpgradeTimings& timings = {});
UploadOutcome SizedUploadThenPoll(UploadHost& host, const UpgradeTimings& timings = {});
UploadOutcome SizedUploadThenWatch(UploadHost& host, EchoProbe& probe, const UpgradeTimings& timings = {});

// Asks the device for its progress once per interval until it reports
// completion (true), the progress limit passes or the worker is cancelled.
bool PollUpgradeProgress(UploadHost& host, const UpgradeTimings& timings = {});

} // namespace lorvena
