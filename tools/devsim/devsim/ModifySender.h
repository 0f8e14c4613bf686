#pragma once

#include "devsim/SearchSender.h"

#include <optional>
#include <string>

namespace lorvena::devsim {

// What --send-modify asks for. Fields left empty keep the device's value.
struct ModifyProbe {
    Generation generation = Generation::Basic;
    std::string current;  // the device's address now
    std::string newIp;
    std::string macText;  // extended: names the device too
    std::string password; // extended: enciphered into the request
};

// A small client for the lab's self-test: sends one modify request (user
// "admin") from a socket bound to `where.from` to `where.to`:`where.port`.
// For an extended request it then waits up to `where.wait` for the reply
// from `current`; `reply` stays empty when none came.
class ModifySender {
public:
    static bool run(const SearchProbe& where, const ModifyProbe& modify, std::optional<ReceivedDatagram>& reply,
        std::string& error);
};

} // namespace lorvena::devsim
