// The receive sockets' loss count: a burst larger than a socket's receive
// buffer loses datagrams in the kernel, and the receiver must report every
// one of them, since a lost reply is otherwise an unexplained missing device.

#include "discovery/InterfaceSockets.h"
#include "discovery/Receiver.h"
#include "discovery/ReplyBytes.h"
#include "discovery/ReplyQueues.h"
#include "platform/MessageQueue.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace lorvena {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t loopback = 0x7F000001;

// The address of the tool's one basic socket, with its receive buffer cut
// to the smallest the kernel allows, so a few replies fill it.
sockaddr_in shrinkTheOnlySocket(InterfaceSockets& sockets)
{
    std::lock_guard lock(sockets.interfaceLock());
    int socket = sockets.list(SocketFamily::Basic).front().socket;
    int smallest = 1;
    EXPECT_EQ(setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &smallest, sizeof smallest), 0);
    sockaddr_in address {};
    socklen_t length = sizeof address;
    EXPECT_EQ(getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length), 0);
    return address;
}

// Bytes waiting in the socket's receive queue.
int queuedBytes(InterfaceSockets& sockets)
{
    std::lock_guard lock(sockets.interfaceLock());
    int bytes = 0;
    ioctl(sockets.list(SocketFamily::Basic).front().socket, FIONREAD, &bytes);
    return bytes;
}

bool waitUntil(const std::function<bool()>& done)
{
    for (auto deadline = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < deadline;) {
        if (done())
            return true;
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

TEST(DroppedDatagrams, EveryReplyOfABurstIsEitherQueuedOrCountedAsDropped)
{
    InterfaceSockets sockets([] { return std::vector<std::uint32_t> {loopback}; });
    sockets.refreshSockets(SocketFamily::Basic);
    ASSERT_EQ(sockets.liveSocketCount(SocketFamily::Basic), 1u);
    const sockaddr_in tool = shrinkTheOnlySocket(sockets);

    UniqueFd sender(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ASSERT_TRUE(sender);
    const std::vector<std::uint8_t> reply = testing_support::oldModeReply().bytes();
    auto send = [&] {
        sendto(sender.get(), reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&tool), sizeof tool);
    };

    // The burst arrives before anyone reads: the buffer takes a few replies
    // and the kernel drops the rest.
    constexpr std::size_t burst = 200;
    for (std::size_t i = 0; i < burst; ++i)
        send();

    ReplyQueues queues;
    MessageQueue poster;
    Receiver receiver({SocketFamily::Basic, ReplyKind::OldMode, MessageId::SearchReplyOld}, sockets, queues, poster,
        ReceiverTimings {10ms, 1ms});
    receiver.start();
    ASSERT_TRUE(waitUntil([&] { return queues.length(ReplyKind::OldMode) > 0 && queuedBytes(sockets) == 0; }));
    // A loss is reported by the next datagram the socket delivers; the
    // losses at the end of the burst have none yet, so one more comes.
    send();
    auto accounted = [&] {
        return queues.length(ReplyKind::OldMode) + sockets.droppedDatagrams(SocketFamily::Basic);
    };
    EXPECT_TRUE(waitUntil([&] { return accounted() == burst + 1; }))
        << queues.length(ReplyKind::OldMode) << " replies queued, "
        << sockets.droppedDatagrams(SocketFamily::Basic) << " counted as dropped, of " << burst + 1;
    const std::uint64_t dropped = sockets.droppedDatagrams(SocketFamily::Basic);
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(sockets.droppedDatagrams(SocketFamily::Extended), 0u);

    // A closed socket's losses still count, also once a refresh has put a
    // new socket in its place.
    receiver.stop();
    sockets.closeAll();
    EXPECT_EQ(sockets.droppedDatagrams(SocketFamily::Basic), dropped);
    sockets.refreshSockets(SocketFamily::Basic);
    EXPECT_EQ(sockets.liveSocketCount(SocketFamily::Basic), 1u);
    EXPECT_EQ(sockets.droppedDatagrams(SocketFamily::Basic), dropped);
}

} // namespace
} // namespace lorvena
