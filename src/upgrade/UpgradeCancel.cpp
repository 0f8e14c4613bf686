#include "upgrade/UpgradeCancel.h"

#include <sys/socket.h>

namespace lorvena {

void UpgradeCancel::cancel()
{
    std::lock_guard lock(mutex_);
    cancelled_.store(true);
    // Under the mutex: the worker forgets its socket before closing it, so the
    // descriptor shut down here cannot be one reused by someone else.
    if (socket_ >= 0)
        ::shutdown(socket_, SHUT_RDWR);
    wake_.notify_all();
}

bool UpgradeCancel::sleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, duration, [this] { return cancelled_.load(); });
}

void UpgradeCancel::watchSocket(int descriptor)
{
    std::lock_guard lock(mutex_);
    socket_ = descriptor;
    // A cancel that came just before the worker got its socket must still
    // stop what the worker is about to block on.
    if (socket_ >= 0 && cancelled_.load())
        ::shutdown(socket_, SHUT_RDWR);
}

} // namespace lorvena
