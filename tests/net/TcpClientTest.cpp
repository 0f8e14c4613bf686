#include "net/TcpClient.h"

#include "net/FullBacklogListener.h"
#include "net/LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::LoopbackServer;

const TcpTimeouts quick {2000ms, 2000ms, 10s};

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool connectTo(TcpClient& client, std::uint16_t port)
{
    sockaddr_in address = loopback(port);
    return client.Connect(reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

long optionMilliseconds(int socket, int option)
{
    timeval value {};
    socklen_t length = sizeof value;
    if (getsockopt(socket, SOL_SOCKET, option, &value, &length) != 0)
        return -1;
    return static_cast<long>(value.tv_sec * 1000 + value.tv_usec / 1000);
}

TEST(TcpClientCreate, SetsTheProductTimeoutsOnTheSocket)
{
    TcpClient client;
    EXPECT_EQ(client.timeouts().connect, 20000ms);
    ASSERT_TRUE(client.Create(AF_INET));
    EXPECT_EQ(optionMilliseconds(client.descriptor(), SO_SNDTIMEO), 20000);
    EXPECT_EQ(optionMilliseconds(client.descriptor(), SO_RCVTIMEO), 20000);
}

TEST(TcpClientCreate, SetsInjectedTimeouts)
{
    // Multiples of 20 ms: the kernel keeps these in clock ticks.
    TcpClient client(TcpTimeouts {100ms, 1500ms, 300ms});
    ASSERT_TRUE(client.Create(AF_INET));
    EXPECT_EQ(optionMilliseconds(client.descriptor(), SO_SNDTIMEO), 1500);
    EXPECT_EQ(optionMilliseconds(client.descriptor(), SO_RCVTIMEO), 300);
}

TEST(TcpClientCreate, FailureKeepsNoSocket)
{
    TcpClient client;
    EXPECT_FALSE(client.Create(AF_UNIX)); // no TCP over local sockets
    EXPECT_EQ(client.descriptor(), -1);
}

TEST(TcpClientConnect, ConnectsAndLeavesTheSocketBlocking)
{
    LoopbackServer server({testing_support::Silent()});
    TcpClient client(quick);
    ASSERT_TRUE(client.Create(AF_INET));
    ASSERT_TRUE(connectTo(client, server.port()));
    EXPECT_EQ(fcntl(client.descriptor(), F_GETFL) & O_NONBLOCK, 0);
    client.Close();
}

TEST(TcpClientConnect, RefusedConnectionReturnsFalseAndKeepsTheSocket)
{
    UniqueFd closedPort(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(closedPort.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(closedPort.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);

    TcpClient client(quick);
    ASSERT_TRUE(client.Create(AF_INET));
    EXPECT_FALSE(connectTo(client, ntohs(address.sin_port)));
    EXPECT_NE(client.descriptor(), -1);
}

TEST(TcpClientConnect, UnansweredConnectionReturnsFalseAfterTheConnectTimeout)
{
    testing_support::FullBacklogListener silent;
    ASSERT_TRUE(silent.ready());
    TcpClient client(TcpTimeouts {200ms, 2000ms, 2000ms});
    ASSERT_TRUE(client.Create(AF_INET));
    EXPECT_FALSE(connectTo(client, silent.port()));
    EXPECT_NE(client.descriptor(), -1);
}

TEST(TcpClientConnect, WithoutSocketReturnsFalse)
{
    TcpClient client(quick);
    EXPECT_FALSE(connectTo(client, 9));
}

struct ReceiveCase {
    const char* name;
    std::string sent;
    std::vector<std::size_t> counts; // of consecutive receives; 0 is the close
};

void PrintTo(const ReceiveCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class TcpClientReceive : public testing::TestWithParam<ReceiveCase> {};

TEST_P(TcpClientReceive, TakesAtMostOneKibibyteAndReportsTheCloseAsZero)
{
    LoopbackServer server({testing_support::SendAndClose(GetParam().sent)});
    TcpClient client(quick);
    ASSERT_TRUE(client.Create(AF_INET));
    ASSERT_TRUE(connectTo(client, server.port()));
    server.finish(); // everything is sent and the connection closed

    std::string received;
    for (std::size_t expected : GetParam().counts) {
        std::array<std::uint8_t, 2 * TcpClient::receiveBytes> buffer;
        buffer.fill(0xEE);
        ssize_t count = -2;
        ASSERT_TRUE(client.Receive(buffer.data(), count));
        ASSERT_EQ(count, static_cast<ssize_t>(expected));
        received.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(count));
        EXPECT_EQ(buffer[TcpClient::receiveBytes], 0xEE) << "wrote past the receive size";
    }
    EXPECT_EQ(received, GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(Peers, TcpClientReceive,
    testing::Values(ReceiveCase {"ClosesAtOnce", "", {0, 0}}, ReceiveCase {"SendsAReplyCode", "OK 0\n", {5, 0}},
        ReceiveCase {"SendsMoreThanOneReceive", std::string(2500, 'r'), {1024, 1024, 452, 0}}));

TEST(TcpClientReceive, SilentPeerFailsAfterTheReceiveTimeout)
{
    LoopbackServer server({testing_support::Silent()});
    TcpClient client(TcpTimeouts {2000ms, 2000ms, 200ms});
    ASSERT_TRUE(client.Create(AF_INET));
    ASSERT_TRUE(connectTo(client, server.port()));
    std::array<std::uint8_t, TcpClient::receiveBytes> buffer {};
    ssize_t count = 0;
    EXPECT_FALSE(client.Receive(buffer.data(), count));
    EXPECT_EQ(count, -1);
    client.Close();
}

TEST(TcpClientClose, IsHarmlessRepeatedAndWithoutSocket)
{
    TcpClient never;
    never.Close();
    EXPECT_EQ(never.descriptor(), -1);

    TcpClient client;
    ASSERT_TRUE(client.Create(AF_INET));
    client.Close();
    EXPECT_EQ(client.descriptor(), -1);
    client.Close();
    EXPECT_EQ(client.descriptor(), -1);
}

TEST(TcpClientClose, ReleasesTheDescriptor)
{
    TcpClient client;
    ASSERT_TRUE(client.Create(AF_INET));
    int descriptor = client.descriptor();
    client.Close();
    EXPECT_EQ(fcntl(descriptor, F_GETFD), -1); // closed, and nobody reused it meanwhile
}

} // namespace
} // namespace lorvena
