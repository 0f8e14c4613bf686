#pragma once

#include "net/TcpClient.h"
#include "platform/UniqueFd.h"
#include "upgrade/UpgradeTimings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lorvena {

class UploadHost;

// What the three upload routines share: the package file and the connection
// to the device, from the opening checks to the device's final reply. Both
// are closed when the session ends, the socket unregistered from the cancel
// first.
class UploadSession {
public:
    enum class Sizing {
        // The command alone announces the length.
        CommandOnly,
        // A 4-byte size field follows the device's first reply.
        CommandAndSizeField,
    };
    enum class Stopping {
        // The transfer goes on to the file's end whatever the panel does.
        Never,
        // The transfer ends early once the worker is cancelled.
        WhenCancelled,
    };

    UploadSession(UploadHost& host, const UpgradeTimings& timings);
    ~UploadSession();
    UploadSession(const UploadSession&) = delete;
    UploadSession& operator=(const UploadSession&) = delete;

    // Opens the file, connects, sends the command and waits for the first
    // reply (then sends the size field when asked to): 0, or the result code
    // of the failing step.
    int open(Sizing sizing);
    // Streams the file in chunks, showing 0..50: 0, or the code of a chunk
    // that did not go out whole.
    int transfer(Stopping stopping);
    // One receive of the final reply as text; nothing when none arrived.
    std::optional<std::string> finalReply();
    // Releases file and connection before the long wait that follows.
    void close();

private:
    int connect();
    bool sendOnce(const void* bytes, std::size_t length);
    // One send of `count` chunks; false unless all `bytes` went out.
    bool sendChunks(const struct iovec* chunks, std::size_t count, std::size_t bytes);

    UploadHost& host_;
    TcpClient client_;
    UniqueFd file_;
    std::uint64_t length_ = 0;
    bool watching_ = false;
};

} // namespace lorvena
