#pragma once

#include <atomic>
#include <cstdint>

namespace lorvena {

// Numbers the library logins a change starts. A login's answer (and the
// answer to an ONVIF change made in it) carries its number, and only the last
// login started may be answered: an earlier login's late answer must not
// continue, or satisfy the wait of, a later one. The single change and the
// batch draw from the same numbers.
class LoginSessions {
public:
    // The number of a login about to start; from now on the last one.
    std::uintptr_t next()
    {
        const std::uintptr_t session = ++number_;
        last_ = session;
        return session;
    }
    // No login started so far is the last one any more.
    void forget() { last_ = ++number_; }
    std::uintptr_t last() const { return last_; }

private:
    std::atomic<std::uintptr_t> number_ {0};
    std::atomic<std::uintptr_t> last_ {0};
};

} // namespace lorvena
