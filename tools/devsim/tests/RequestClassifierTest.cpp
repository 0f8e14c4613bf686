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
    // Modify requests: magic, command and size; the device's address at 13
    // (old, basic) or 50 (extended).
    auto modify = [](const char* magic, std::uint8_t command, std::size_t size, std::size_t addressAt) {
        Bytes bytes(size, 0);
        std::copy_n(magic, 11, bytes.begin());
        bytes[12] = command;
        std::copy_n("10.3.0.7", 8, bytes.begin() + static_cast<std::ptrdiff_t>(addressAt));
        return bytes;
    };
    Bytes oldModify = modify("search.....", 3, 263, 13);
    Bytes basicModify = modify("searching..", 3, 180, 13);
    Bytes extendedModify = modify("searching..", 12, 424, 50);
    Bytes extendedModifyShort(extendedModify.begin(), extendedModify.end() - 1);

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
        {"old modify", oldModify, RequestKind::OldModify, "10.3.0.7"},
        {"basic modify", basicModify, RequestKind::BasicModify, "10.3.0.7"},
        {"extended modify", extendedModify, RequestKind::ExtendedModify, "10.3.0.7"},
        {"extended modify one byte short", extendedModifyShort, RequestKind::Unknown, ""},
        {"old modify with the new magic", modify("searching..", 3, 263, 13), RequestKind::Unknown, ""},
        {"extended command at the basic size", modify("searching..", 12, 180, 13), RequestKind::Unknown, ""},
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
