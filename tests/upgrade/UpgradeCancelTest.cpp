#include "upgrade/UpgradeCancel.h"

#include "platform/UniqueFd.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <thread>

namespace lorvena {
namespace {

using namespace std::chrono_literals;

struct SocketPair {
    SocketPair()
    {
        int ends[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        ours.reset(ends[0]);
        peer.reset(ends[1]);
    }
    UniqueFd ours;
    UniqueFd peer;
};

TEST(UpgradeCancel, SleepRunsItsCourseUntilCancelled)
{
    UpgradeCancel cancel;
    EXPECT_TRUE(cancel.keepRunning());
    EXPECT_TRUE(cancel.sleepFor(1ms));
    cancel.cancel();
    EXPECT_FALSE(cancel.keepRunning());
    EXPECT_FALSE(cancel.sleepFor(1h));
}

TEST(UpgradeCancel, WakesASleeperOnAnotherThread)
{
    UpgradeCancel cancel;
    bool slept = true;
    std::thread worker([&] { slept = cancel.sleepFor(1h); });
    cancel.cancel();
    worker.join();
    EXPECT_FALSE(slept);
}

TEST(UpgradeCancel, ShutsDownTheWatchedSocketUnderABlockedReceive)
{
    UpgradeCancel cancel;
    SocketPair pair;
    cancel.watchSocket(pair.ours.get());
    ssize_t received = -2;
    std::thread worker([&] {
        char byte;
        received = recv(pair.ours.get(), &byte, 1, 0);
    });
    cancel.cancel();
    worker.join();
    EXPECT_EQ(received, 0);
}

TEST(UpgradeCancel, ASocketWatchedAfterTheCancelIsShutDownAtOnce)
{
    UpgradeCancel cancel;
    cancel.cancel();
    SocketPair pair;
    cancel.watchSocket(pair.ours.get());
    char byte;
    EXPECT_EQ(recv(pair.ours.get(), &byte, 1, 0), 0);
}

TEST(UpgradeCancel, LeavesAForgottenSocketAlone)
{
    UpgradeCancel cancel;
    SocketPair pair;
    cancel.watchSocket(pair.ours.get());
    cancel.forgetSocket();
    cancel.cancel();
    ASSERT_EQ(send(pair.peer.get(), "x", 1, MSG_NOSIGNAL), 1);
    char byte = 0;
    EXPECT_EQ(recv(pair.ours.get(), &byte, 1, 0), 1);
    EXPECT_EQ(byte, 'x');
}

} // namespace
} // namespace lorvena
