#include "devsim/RequestClassifier.h"

#include "devsim/ModifyRequest.h"
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
    case RequestKind::OldModify:
        return "old-modify";
    case RequestKind::BasicModify:
        return "basic-modify";
    case RequestKind::ExtendedModify:
        return "extended-modify";
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
    default:
        break;
    }
    return std::nullopt;
}

std::optional<Generation> modifyGeneration(RequestKind kind)
{
    switch (kind) {
    case RequestKind::OldModify:
        return Generation::Old;
    case RequestKind::BasicModify:
        return Generation::Basic;
    case RequestKind::ExtendedModify:
        return Generation::Extended;
    default:
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
    if (matches(datagram, oldMagic, OldModifyLayout::command) && datagram.size() == OldModifyLayout::size)
        return {RequestKind::OldModify, std::string(readText(datagram, OldModifyLayout::currentAddress))};
    if (matches(datagram, newMagic, BasicModifyLayout::command) && datagram.size() == BasicModifyLayout::size)
        return {RequestKind::BasicModify, std::string(readText(datagram, BasicModifyLayout::currentAddress))};
    if (matches(datagram, newMagic, ExtendedModifyLayout::command) && datagram.size() == ExtendedModifyLayout::size)
        return {RequestKind::ExtendedModify, std::string(readText(datagram, ExtendedModifyLayout::currentAddress))};
    return {};
}

} // namespace lorvena::devsim
