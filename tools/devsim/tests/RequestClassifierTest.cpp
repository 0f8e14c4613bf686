#include "devsim/RequestClassifier.h"

#include "discovery/SearchPackets.h"

#include <gtest/gtest.h>

namespace lorvena::devsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

template<typename Array>
Bytes bytesOf(const Array& packet)
{
    return {packet.begin(), packet.end()};
}

TEST(RequestClassifier, DispatchesOnMagicCommandAndSize)
{
    constexpr std::uint32_t from = 0x0A030001u; // 10.3.0.1
    Bytes old = bytesOf(buildOldModeSearchRequest(from));
    Bytes basic = bytesOf(buildBasicSearchRequest(from));
    Bytes extended = bytesOf(buildExtendedSearchRequest());
    Bytes basicShort(basic.begin(), basic.end() - 1);
    Bytes basicLong = basic;
    basicLong.push_back(0);
    Bytes basicAsReply = basic;
    basicAsReply[12] = 1;
    Bytes basicOldMagic = basic;
    std::copy_n("search.....", 12, basicOldMagic.begin());
    Bytes noNul = basic;
    noNul[11] = '.';

    struct Case {
        const char* what;
        Bytes datagram;
        RequestKind kind;
        std::string addressText;
    };
    const std::vector<Case> cases = {
        {"old-mode request", old, RequestKind::OldSearch, "10.3.0.1"},
        {"basic request", basic, RequestKind::BasicSearch, "10.3.0.1"},
        {"extended request", extended, RequestKind::ExtendedSearch, ""},
        {"basic request one byte short", basicShort, RequestKind::Unknown, ""},
        {"basic request one byte long", basicLong, RequestKind::Unknown, ""},
        {"a reply, not a request", basicAsReply, RequestKind::Unknown, ""},
        {"basic size with the old magic", basicOldMagic, RequestKind::Unknown, ""},
        {"magic not NUL-terminated", noNul, RequestKind::Unknown, ""},
        {"empty datagram", {}, RequestKind::Unknown, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReceivedRequest request = RequestClassifier::classify(c.datagram);
        EXPECT_EQ(request.kind, c.kind);
        EXPECT_EQ(request.addressText, c.addressText);
    }
}

} // namespace
} // namespace lorvena::devsim
