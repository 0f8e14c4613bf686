#include "devsim/FaultInjector.h"

#include <gtest/gtest.h>

#include <numeric>

namespace lorvena::devsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FaultInjector, EachFaultChangesOnlyWhatItSays)
{
    Bytes good(348);
    std::iota(good.begin(), good.end(), std::uint8_t {1}); // no zero byte in the first 255
    Bytes request(180, 0x77);

    struct Case {
        Fault fault;
        Bytes expected;
    };
    Bytes wrongMagic = good;
    wrongMagic[0] = 'S';
    Bytes byte11 = good;
    byte11[11] = '.';
    Bytes oversize = good;
    oversize.insert(oversize.end(), 100, 0xA5);
    const std::vector<Case> cases = {
        {{FaultKind::WrongMagic}, wrongMagic},
        {{FaultKind::Byte11NotNul}, byte11},
        {{FaultKind::Short, 40}, Bytes(good.begin(), good.begin() + 40)},
        {{FaultKind::Short, 1000}, good},
        {{FaultKind::EchoRequest}, request},
        {{FaultKind::Oversize}, oversize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault.kind));
        EXPECT_EQ(FaultInjector::datagram(c.fault, good, request), c.expected);
    }
}

} // namespace
} // namespace lorvena::devsim
