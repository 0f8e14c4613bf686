#pragma once

#include "devsim/SimulatedDevice.h"
#include "discovery/WireBytes.h"

#include <optional>
#include <string>

namespace lorvena::devsim {

// What arrived on the listening port. Later protocols on the same port (the
// modify requests) add their kinds here and a case in the simulator's
// dispatch.
enum class RequestKind : std::uint8_t { Unknown, OldSearch, BasicSearch, ExtendedSearch };

const char* requestKindName(RequestKind kind); // "old", "basic", "extended", "unknown"
std::optional<Generation> searchGeneration(RequestKind kind);

struct ReceivedRequest {
    RequestKind kind = RequestKind::Unknown;
    // The sender's own address as the old-mode and basic requests carry it;
    // empty for the others.
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
