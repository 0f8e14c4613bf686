#pragma once

#include <string>

namespace lorvena::devsim {

// For in-process tests: searches must never leave the machine's own network
// namespace, so a test that broadcasts first moves into a fresh namespace
// holding only a loopback interface, brought up. Broadcasts from 127.0.0.1
// then reach listeners in the same process and nowhere else.
class LoopbackNamespace {
public:
    // Applies to the calling thread and the threads it starts afterwards, so
    // call it before starting any. Needs root (CAP_SYS_ADMIN); false, with
    // `error`, otherwise.
    static bool enter(std::string& error);

    // Whether this process may create namespaces at all.
    static bool permitted();
};

} // namespace lorvena::devsim
