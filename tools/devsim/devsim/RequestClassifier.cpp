#include "devsim/RequestClassifier.h"

#include "discovery/SearchPackets.h"

namespace lorvena::devsim {

const char* requestKindName(RequestKind kind)
{
    switch (kind) {
    case RequestKind::OldSearch:
        return "old";
    case RequestKind::BasicSearch:
        return "basic";
    case RequestKind::ExtendedSearch:
        return "extended";
    case RequestKind::Unknown:
        break;
    }
    return "unknown";
}

std::optional<Generation> searchGeneration(RequestKind kind)
{
    switch (kind) {
    case RequestKind::OldSearch:
        return Generation::Old;
    case RequestKind::BasicSearch:
        return Generation::Basic;
    case RequestKind::ExtendedSearch:
        return Generation::Extended;
    case RequestKind::Unknown:
        break;
    }
    return std::nullopt;
}

ReceivedRequest RequestClassifier::classify(ByteView datagram)
{
    using namespace DiscoveryHeader;
    if (matches(datagram, oldMagic, searchRequest) && datagram.size() == OldModeSearchRequest::size)
        return {RequestKind::OldSearch, std::string(readText(datagram, OldModeSearchRequest::localAddress))};
    if (matches(datagram, newMagic, searchRequest) && datagram.size() == BasicSearchRequest::size)
        return {RequestKind::BasicSearch, std::string(readText(datagram, BasicSearchRequest::localAddress))};
    if (matches(datagram, newMagic, extendedSearchRequest) && datagram.size() == ExtendedSearchRequest::size)
        return {RequestKind::ExtendedSearch, {}};
    return {};
}

} // namespace lorvena::devsim
