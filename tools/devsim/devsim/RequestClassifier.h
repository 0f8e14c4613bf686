#pragma once

#include "devsim/SimulatedDevice.h"
#include "discovery/WireBytes.h"

#include <optional>
#include <string>

namespace lorvena::devsim {

// What arrived on the listening port.
enum class RequestKind : std::uint8_t {
    Unknown,
    OldSearch,
    BasicSearch,
    ExtendedSearch,
    OldModify,
    BasicModify,
    ExtendedModify,
};

// "old", "basic", "extended", "old-modify", "basic-modify",
// "extended-modify", "unknown"
const char* requestKindName(RequestKind kind);
std::optional<Generation> searchGeneration(RequestKind kind);
std::optional<Generation> modifyGeneration(RequestKind kind);

struct ReceivedRequest {
    RequestKind kind = RequestKind::Unknown;
    // The sender's own address as the old-mode and basic searches carry it,
    // or the address of the device a modify request is for; empty for the
    // others.
    std::string addressText;
};

// Dispatches on magic and command byte. A request must also have its exact
// size: a truncated or padded request is a fault of the sender, and answering
// it would hide that.
class RequestClassifier {
public:
    static ReceivedRequest classify(ByteView datagram);
};

} // namespace lorvena::devsim
