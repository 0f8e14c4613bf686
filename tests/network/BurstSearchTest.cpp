// A search answered by ten thousand devices at once, as on a large site's
// flat network: every device must be listed and no reply lost in the kernel.

#include "devsim/DeviceGenerator.h"
#include "network/SearchFixture.h"

namespace lorvena {
namespace {

constexpr std::size_t burstSize = 10'000;
// Not configured in the test's namespace: the simulator answers for all of
// them from its one listening socket instead of ten thousand sockets of its
// own, which would push the tool's sockets past what select() can watch.
constexpr std::uint32_t firstDevice = 0x0A010001; // 10.1.0.1

struct BurstCase {
    const char* name;
    int searchMode;
};

class BurstSearch : public testing_support::SearchFixture, public testing::WithParamInterface<BurstCase> {};

TEST_P(BurstSearch, EveryDeviceIsListedAndNoReplyIsDropped)
{
    devsim::GeneratedDevices generated = devsim::DeviceGenerator::generate(burstSize, firstDevice);
    ASSERT_EQ(generated.error, "");
    startDevices(std::move(generated.devices));
    startTool(GetParam().searchMode);

    controller->search();
    EXPECT_TRUE(pumpUntil([&] { return table().rowCount() >= burstSize; }, std::chrono::seconds(25)))
        << "only " << table().rowCount() << " of " << burstSize << " devices listed, "
        << controller->discovery().droppedDatagrams() << " replies dropped";
    pumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(table().rowCount(), burstSize);
    EXPECT_EQ(controller->discovery().droppedDatagrams(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, BurstSearch,
    testing::Values(BurstCase {"OldMode", 0}, BurstCase {"NewMode", 1}),
    [](const testing::TestParamInfo<BurstCase>& param) { return param.param.name; });

} // namespace
} // namespace lorvena
