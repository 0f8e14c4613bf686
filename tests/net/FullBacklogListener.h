#pragma once

#include "platform/UniqueFd.h"

#include <cstdint>

namespace lorvena::testing_support {

// A listener on 127.0.0.1 whose accept queue is full: the kernel drops every
// further connection request without an answer, so a client's connect waits
// just as for a device that is switched off, yet nothing leaves the machine.
class FullBacklogListener {
public:
    FullBacklogListener();

    // False when the queue could not be seen full; the test must not go on.
    bool ready() const { return ready_; }
    std::uint16_t port() const { return port_; }

private:
    UniqueFd listener_;
    UniqueFd filler_;
    std::uint16_t port_ = 0;
    bool ready_ = false;
};

} // namespace lorvena::testing_support
