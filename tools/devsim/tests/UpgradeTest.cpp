// Firmware uploads to the devices' HTTP ports, the progress query and the
// simulated restart, over real sockets inside the private loopback-only
// network namespace. The client here plays the tool's upload byte for byte.

#include "TestNetwork.h"

#include "devsim/InterfaceAddresses.h"
#include "devsim/Simulator.h"
#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

namespace lorvena::devsim {
namespace {

constexpr const char* rightCredentials = "YWRtaW46c2VjcmV0"; // admin:secret
constexpr const char* wrongCredentials = "YWRtaW46d3Jvbmc="; // admin:wrong
constexpr const char* progressPath = "/vb.htm?setuser=admin&upgradeprocess";

SimulatedDevice device(std::uint32_t ip, bool sized, FinalReply finalReply,
    UpgradeHostility hostile = UpgradeHostility::None)
{
    SimulatedDevice result;
    result.ip = ip;
    result.mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(ip)};
    result.password = "secret";
    result.upgrade.sized = sized;
    result.upgrade.finalReply = finalReply;
    result.upgrade.hostile = hostile;
    return result;
}

std::string package(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 253) & 0xFF);
    return bytes;
}

std::string commandFor(std::size_t length)
{
    return "CMD:UPGRADE MCTP/1.0 CS\n@" + std::to_string(length) + "@\nEND\n";
}

std::string sizeFieldFor(std::size_t length)
{
    return {static_cast<char>(length), static_cast<char>(length >> 8), static_cast<char>(length >> 16),
        static_cast<char>(length >> 24)};
}

UniqueFd connectTo(std::uint32_t address, std::uint16_t port)
{
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    timeval timeout {10, 0}; // only a bound: nothing here waits for it unless broken
    setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in server {};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(address);
    if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0)
        socket.reset();
    return socket;
}

std::string receiveUntilClosed(int socket)
{
    std::string received;
    char buffer[1024];
    for (ssize_t count; (count = recv(socket, buffer, sizeof buffer, 0)) > 0;)
        received.append(buffer, static_cast<std::size_t>(count));
    return received;
}

struct UploadExchange {
    std::string firstReply; // "" when the device closed instead
    std::string finalReply; // everything after the package, until the device closed
};

// The tool's upload: command, first reply, size field (sized), the package
// in chunks of 1280 bytes, then the final reply.
UploadExchange upload(std::uint32_t address, std::string_view data, bool sized)
{
    UploadExchange exchange;
    UniqueFd socket = connectTo(address, 80);
    EXPECT_TRUE(socket.valid()) << "no connection";
    std::string command = commandFor(data.size());
    send(socket.get(), command.data(), command.size(), MSG_NOSIGNAL);
    char buffer[1024];
    ssize_t count = recv(socket.get(), buffer, sizeof buffer, 0);
    if (count <= 0)
        return exchange;
    exchange.firstReply.assign(buffer, static_cast<std::size_t>(count));
    if (sized)
        send(socket.get(), sizeFieldFor(data.size()).data(), 4, MSG_NOSIGNAL);
    for (std::size_t at = 0; at < data.size(); at += 1280) {
        std::string_view chunk = data.substr(at, 1280);
        EXPECT_EQ(send(socket.get(), chunk.data(), chunk.size(), MSG_NOSIGNAL), static_cast<ssize_t>(chunk.size()));
    }
    exchange.finalReply = receiveUntilClosed(socket.get());
    return exchange;
}

std::vector<std::string> logLines(const std::string& path)
{
    std::ifstream log(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class UpgradeTest : public LoopbackTest {
protected:
    void SetUp() override
    {
        LoopbackTest::SetUp();
        char directory[] = "/tmp/devsim-upgrade-XXXXXX";
        ASSERT_NE(mkdtemp(directory), nullptr);
        directory_ = directory;
        options_.logPath = directory_ / "log";
        options_.upgradeDirectory = directory_ / "packages";
        std::filesystem::create_directory(options_.upgradeDirectory);
    }
    void TearDown() override
    {
        if (!directory_.empty())
            std::filesystem::remove_all(directory_);
    }

    std::filesystem::path directory_;
    SimulatorOptions options_;
};

TEST_F(UpgradeTest, TakesUploadsByteExactAndRepliesAsConfigured)
{
    const FinalReply zero {FinalReplyKind::Code, 0};
    struct Case {
        const char* what;
        SimulatedDevice device;
        std::size_t length;
        const char* firstReply;
        const char* finalReply;
        std::vector<std::string> log; // after "<event> <ip>"
        bool kept;                    // written to the upgrade directory
    };
    const std::vector<Case> cases = {
        {"unsized, accepted", device(0x7F000011u, false, zero), 1281, "OK\n", "UPGRADE @0@\n",
            {"upgrade-command 127.0.0.17 1281", "upgrade-received 127.0.0.17 1281 @0@"}, true},
        {"unsized, refused with 7", device(0x7F000012u, false, {FinalReplyKind::Code, 7}), 1280, "OK\n",
            "UPGRADE @7@\n", {"upgrade-command 127.0.0.18 1280", "upgrade-received 127.0.0.18 1280 @7@"}, true},
        {"sized, no final reply", device(0x7F000013u, true, {FinalReplyKind::None, 0}), 74565, "OK\n", "",
            {"upgrade-command 127.0.0.19 74565", "upgrade-size 127.0.0.19 74565",
                "upgrade-received 127.0.0.19 74565 none"},
            true},
        {"sized, reply without @", device(0x7F000014u, true, {FinalReplyKind::NoAt, 0}), 1, "OK\n", "UPGRADE DONE\n",
            {"upgrade-command 127.0.0.20 1", "upgrade-size 127.0.0.20 1", "upgrade-received 127.0.0.20 1 no-at"}, true},
        {"closes after the command", device(0x7F000015u, true, zero, UpgradeHostility::CloseAfterCommand), 5000, "",
            "", {"upgrade-command 127.0.0.21 5000", "upgrade-received 127.0.0.21 0 closed"}, false},
    };
    std::vector<SimulatedDevice> devices;
    for (const Case& c : cases)
        devices.push_back(c.device);
    Simulator simulator(devices, options_);
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;

    std::vector<std::string> expectedLog;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string data = package(c.length);
        UploadExchange exchange = upload(c.device.ip, data, c.device.upgrade.sized);
        EXPECT_EQ(exchange.firstReply, c.firstReply);
        EXPECT_EQ(exchange.finalReply, c.finalReply);
        ASSERT_TRUE(eventually([&] { return simulator.counts().uploadsEnded == i + 1; }));

        UpgradeRecord record = simulator.upgrade(i);
        EXPECT_EQ(record.uploads, 1u);
        std::string expectedStream = commandFor(c.length);
        if (c.kept)
            expectedStream += (c.device.upgrade.sized ? sizeFieldFor(c.length) : "") + data;
        EXPECT_EQ(record.stream, expectedStream);
        EXPECT_EQ(record.complete, c.kept);
        std::filesystem::path kept = std::filesystem::path(options_.upgradeDirectory) / dottedAddress(c.device.ip);
        EXPECT_EQ(std::filesystem::exists(kept), c.kept);
        if (c.kept) {
            EXPECT_EQ(readFile(kept), data);
        }
        expectedLog.insert(expectedLog.end(), c.log.begin(), c.log.end());
    }
    simulator.stop();
    EXPECT_EQ(logLines(options_.logPath), expectedLog);
}

TEST_F(UpgradeTest, ProgressQueryCountsFromTheEndOfTheUpload)
{
    const FinalReply zero {FinalReplyKind::Code, 0};
    SimulatedDevice slow = device(0x7F000021u, true, zero);
    slow.upgrade.progress = std::chrono::minutes(10);
    SimulatedDevice quick = device(0x7F000022u, true, zero);
    quick.upgrade.progress = std::chrono::milliseconds(300);
    SimulatedDevice instant = device(0x7F000023u, true, zero);
    SimulatedDevice stuck = device(0x7F000024u, true, zero, UpgradeHostility::Never100);
    Simulator simulator({slow, quick, instant, stuck}, options_);
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;

    auto query = [](std::uint32_t address, const std::string& path, const char* credentials) {
        return exchangeHttp(address, 80, httpGet(path, credentials)).response;
    };
    auto figure = [&](std::uint32_t address) {
        std::string response = query(address, progressPath, rightCredentials);
        std::smatch match;
        static const std::regex answer("^HTTP/1\\.1 200 OK\r\n[\\s\\S]*\r\n\r\nprocess=([0-9]+)<br>$");
        EXPECT_TRUE(std::regex_search(response, match, answer))
            << response;
        return match.empty() ? -1 : std::stoi(match[1]);
    };

    EXPECT_EQ(figure(slow.ip), 0) << "no upload yet";
    EXPECT_EQ(query(slow.ip, progressPath, wrongCredentials).substr(0, 12), "HTTP/1.1 401");
    EXPECT_EQ(query(slow.ip, "/vb.htm?setuser=root&upgradeprocess", rightCredentials).substr(0, 12), "HTTP/1.1 401")
        << "the query asks for the user who logs in";
    EXPECT_EQ(query(slow.ip, "/vb.htm?setuser=admin&upgradeprocess=1", rightCredentials).substr(0, 12),
        "HTTP/1.1 404");

    for (const SimulatedDevice& d : {slow, quick, instant, stuck})
        EXPECT_EQ(upload(d.ip, package(2000), true).finalReply, "UPGRADE @0@\n");
    ASSERT_TRUE(eventually([&] { return simulator.counts().uploadsEnded == 4; }));

    int slowFigure = figure(slow.ip);
    EXPECT_GE(slowFigure, 0);
    EXPECT_LT(slowFigure, 100) << "ten minutes to go";
    EXPECT_EQ(figure(instant.ip), 100);
    EXPECT_EQ(figure(stuck.ip), 60);
    int last = 0;
    EXPECT_TRUE(eventually([&] {
        int now = figure(quick.ip);
        EXPECT_GE(now, last) << "the figure never goes back";
        last = now;
        return now == 100;
    }));
}

TEST_F(UpgradeTest, DeviceThatStopsReadingKeepsTheConnectionOpen)
{
    const std::uint32_t ip = 0x7F000031u;
    Simulator simulator({device(ip, true, {FinalReplyKind::Code, 0}, UpgradeHostility::StopReading)}, options_);
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;

    // Far more than the socket buffers hold: the client's sending must stall.
    const std::size_t length = 32 * 1024 * 1024;
    UniqueFd socket = connectTo(ip, 80);
    ASSERT_TRUE(socket.valid());
    std::string head = commandFor(length);
    ASSERT_EQ(send(socket.get(), head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
    char reply[16];
    ASSERT_EQ(recv(socket.get(), reply, sizeof reply, 0), 3);
    send(socket.get(), sizeFieldFor(length).data(), 4, MSG_NOSIGNAL);
    const std::string chunk(65536, 'x');
    std::size_t sent = 0;
    auto sendSome = [&] {
        ssize_t count = send(socket.get(), chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0)
            sent += static_cast<std::size_t>(count);
        return count > 0 ? 0 : errno;
    };
    // Until the device has read its half; a full buffer only means it has
    // not caught up yet.
    while (simulator.counts().uploadsEnded == 0 && sent < length) {
        int problem = sendSome();
        ASSERT_TRUE(problem == 0 || problem == EAGAIN) << std::strerror(problem);
        if (problem == EAGAIN)
            usleep(1000);
    }
    ASSERT_EQ(simulator.counts().uploadsEnded, 1u);
    // From now on nothing is read: the buffers fill and stay full.
    int problem = 0;
    while (problem == 0 && sent < length)
        problem = sendSome();
    EXPECT_EQ(problem, EAGAIN) << "the connection stays open and nothing is read";
    EXPECT_LT(sent, length);
    UpgradeRecord record = simulator.upgrade(0);
    EXPECT_EQ(record.outcome, "stalled");
    EXPECT_EQ(record.packageBytes, length / 2);
    EXPECT_EQ(record.stream.size(), head.size() + 4 + length / 2);
    char probe;
    EXPECT_EQ(recv(socket.get(), &probe, 1, MSG_DONTWAIT), -1) << "not closed by the device";
    EXPECT_EQ(errno, EAGAIN);
    simulator.stop();
    EXPECT_EQ(logLines(options_.logPath),
        (std::vector<std::string> {"upgrade-command 127.0.0.49 33554432", "upgrade-size 127.0.0.49 33554432",
            "upgrade-received 127.0.0.49 16777216 stalled"}));
}

// A restart takes the device's address off its interface for a while. The
// address is an explicit alias here, as the lab gives one to every device.
TEST_F(UpgradeTest, RestartRemovesTheAddressForAWhile)
{
    const std::uint32_t ip = 0x0A4D0005u; // 10.77.0.5
    int loopbackIndex = static_cast<int>(if_nametoindex("lo"));
    std::string error;
    ASSERT_TRUE(InterfaceAddresses::add(loopbackIndex, ip, 32, error)) << error;
    auto configured = [ip] {
        std::vector<ConfiguredAddress> addresses;
        std::string listError;
        EXPECT_TRUE(InterfaceAddresses::list(addresses, listError)) << listError;
        return std::any_of(addresses.begin(), addresses.end(), [ip](const auto& entry) { return entry.address == ip; });
    };
    SimulatedDevice restarting = device(ip, false, {FinalReplyKind::Code, 0});
    restarting.upgrade.reboot = RebootPlan {std::chrono::milliseconds(0), std::chrono::milliseconds(300)};
    Simulator simulator({restarting}, options_);
    ASSERT_TRUE(simulator.start(error)) << error;

    EXPECT_EQ(upload(ip, package(3000), false).finalReply, "UPGRADE @0@\n");
    EXPECT_TRUE(eventually([&] { return !configured(); })) << "the address goes";
    EXPECT_TRUE(eventually([&] { return simulator.counts().restarts == 1; }));
    EXPECT_TRUE(configured()) << "and comes back";
    EXPECT_EQ(exchangeHttp(ip, 80, httpGet("/vb.htm?paratest=authority", rightCredentials)).response.substr(0, 15),
        "HTTP/1.1 200 OK")
        << "the web server answers again";
    simulator.stop();
    EXPECT_EQ(logLines(options_.logPath),
        (std::vector<std::string> {"upgrade-command 10.77.0.5 3000", "upgrade-received 10.77.0.5 3000 @0@",
            "reboot-down 10.77.0.5", "reboot-up 10.77.0.5", "http /vb.htm?paratest=authority 200"}));
}

} // namespace
} // namespace lorvena::devsim
