// Modify requests end to end, in-process, inside the private loopback-only
// network namespace. The requests are built here byte by byte at the offsets
// the devices read, independently of the simulator's own layout.

#include "TestNetwork.h"

#include "devsim/SearchSender.h"
#include "devsim/Simulator.h"
#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"

// Single DES: the low-level interface is deprecated in OpenSSL 3 but has it
// without the legacy provider.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <regex>

namespace lorvena::devsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t deviceIp = 0x7F000005u; // 127.0.0.5
constexpr std::uint32_t movedIp = 0x7F000009u;  // 127.0.0.9
constexpr const char* rightCredentials = "YWRtaW46c2VjcmV0"; // admin:secret

void put(Bytes& bytes, std::size_t offset, std::string_view text)
{
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

void putLittleEndian(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t bigEndianAt(const Bytes& bytes, std::size_t offset)
{
    return std::uint32_t {bytes.at(offset)} << 24 | std::uint32_t {bytes.at(offset + 1)} << 16
        | std::uint32_t {bytes.at(offset + 2)} << 8 | bytes.at(offset + 3);
}

std::string textAt(const Bytes& bytes, std::size_t offset, std::size_t size)
{
    std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
        bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
    return text.substr(0, text.find('\0'));
}

// The network settings a request sets and a device shows. Empty texts and
// zero ports go out as zero bytes.
struct Settings {
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string dns;
    std::uint32_t httpPort = 0;
    std::uint32_t rtspPort = 0;
    bool dhcp = false;

    bool operator==(const Settings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Settings& s)
{
    return out << s.ip << " " << s.mask << " " << s.gateway << " " << s.dns << " " << s.httpPort << " " << s.rtspPort
               << " dhcp " << s.dhcp;
}

Settings settingsOf(const SimulatedDevice& device)
{
    return {dottedAddress(device.ip), device.mask, device.gateway, device.dns, device.httpPort, device.rtspPort,
        device.dhcp};
}

// What a search reply shows (fields a generation lacks stay empty).
Settings settingsOf(Generation generation, const Bytes& reply)
{
    switch (generation) {
    case Generation::Old:
        return {textAt(reply, 60, 30), textAt(reply, 30, 30), "", "", bigEndianAt(reply, 156), bigEndianAt(reply, 160),
            false};
    case Generation::Basic:
        return {textAt(reply, 30, 16), textAt(reply, 46, 16), textAt(reply, 62, 16), textAt(reply, 78, 16),
            bigEndianAt(reply, 228), bigEndianAt(reply, 232), reply.at(248) != 0};
    case Generation::Extended:
        return {textAt(reply, 24, 16), textAt(reply, 40, 16), textAt(reply, 56, 16), textAt(reply, 72, 16),
            bigEndianAt(reply, 240), bigEndianAt(reply, 244), reply.at(20) != 0};
    }
    return {};
}

Bytes oldModify(std::string_view current, const Settings& s)
{
    Bytes bytes(263, 0);
    put(bytes, 0, "search.....");
    bytes[12] = 3;
    put(bytes, 13, current);
    put(bytes, 61, s.ip);
    put(bytes, 109, s.mask);
    put(bytes, 157, s.gateway);
    bytes[253] = s.dhcp ? 1 : 0;
    return bytes;
}

Bytes basicModify(std::string_view current, const Settings& s)
{
    Bytes bytes(180, 0);
    put(bytes, 0, "searching..");
    bytes[12] = 3;
    put(bytes, 13, current);
    put(bytes, 29, s.ip);
    put(bytes, 45, s.mask);
    put(bytes, 61, s.gateway);
    put(bytes, 77, s.dns);
    const std::uint8_t mac[] = {0x02, 0, 0, 0, 0, 0x05};
    std::copy(std::begin(mac), std::end(mac), bytes.begin() + 93);
    putLittleEndian(bytes, 100, s.httpPort);
    putLittleEndian(bytes, 104, s.rtspPort);
    putLittleEndian(bytes, 108, 9000); // the third port
    bytes[112] = s.dhcp ? 1 : 0;
    return bytes;
}

// The password field: the password and zero bytes up to 32, enciphered with
// DES-ECB under the key "70937093", block by block.
Bytes enciphered(std::string_view password)
{
    Bytes plain(32, 0);
    put(plain, 0, password);
    DES_cblock key;
    std::memcpy(key, "70937093", sizeof key);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    Bytes field(32, 0);
    for (std::size_t block = 0; block < 32; block += 8) {
        DES_cblock in;
        DES_cblock out;
        std::memcpy(in, plain.data() + block, 8);
        DES_ecb_encrypt(&in, &out, &schedule, DES_ENCRYPT);
        std::memcpy(field.data() + block, out, 8);
    }
    return field;
}

Bytes extendedModify(std::string_view current, std::string_view macText, const Settings& s, std::string_view user,
    std::string_view password)
{
    Bytes bytes(424, 0);
    put(bytes, 0, "searching..");
    bytes[12] = 12;
    put(bytes, 16, "Fuck_Ip");
    put(bytes, 32, "Fuck_Mac");
    put(bytes, 50, current);
    put(bytes, 66, macText);
    putLittleEndian(bytes, 84, 62);
    bytes[88] = s.dhcp ? 1 : 0;
    put(bytes, 92, s.ip);
    put(bytes, 108, s.mask);
    put(bytes, 124, s.gateway);
    put(bytes, 140, s.dns);
    put(bytes, 172, macText);
    putLittleEndian(bytes, 208, 768);
    putLittleEndian(bytes, 308, s.httpPort);
    putLittleEndian(bytes, 312, s.rtspPort);
    putLittleEndian(bytes, 324, 9000);
    put(bytes, 360, user);
    Bytes field = enciphered(password);
    std::copy(field.begin(), field.end(), bytes.begin() + 392);
    return bytes;
}

SimulatedDevice camera()
{
    SimulatedDevice device;
    device.ip = deviceIp;
    device.mac = {0x02, 0, 0, 0, 0, 0x05};
    device.macText = "02:00:00:00:00:05";
    device.mask = "255.0.0.0";
    device.gateway = "127.0.0.1";
    device.dns = "127.0.0.1";
    device.password = "secret";
    return device;
}

class ModifyTest : public LoopbackTest {
protected:
    // Broadcasts `request` from a socket bound to 127.0.0.1, as the tool
    // does; the socket stays open for the reply.
    static UniqueFd send(const Bytes& request)
    {
        UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        int on = 1;
        setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        timeval timeout {10, 0};
        setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(loopback);
        EXPECT_EQ(bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        address.sin_port = htons(6789);
        address.sin_addr.s_addr = htonl(0xFFFFFFFFu);
        EXPECT_EQ(sendto(socket.get(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&address),
                      sizeof address),
            static_cast<ssize_t>(request.size()));
        return socket;
    }

    // The next datagram on `socket`: waiting for it (up to the bound) or,
    // without `wait`, only what has arrived already.
    static std::optional<ReceivedDatagram> receive(const UniqueFd& socket, bool wait)
    {
        Bytes buffer(2048);
        sockaddr_in source {};
        socklen_t length = sizeof source;
        ssize_t received = recvfrom(socket.get(), buffer.data(), buffer.size(), wait ? 0 : MSG_DONTWAIT,
            reinterpret_cast<sockaddr*>(&source), &length);
        if (received < 0)
            return std::nullopt;
        buffer.resize(static_cast<std::size_t>(received));
        return ReceivedDatagram {ntohl(source.sin_addr.s_addr), ntohs(source.sin_port), buffer};
    }

    static std::vector<ReceivedDatagram> search(Generation generation, std::size_t expect)
    {
        SearchProbe probe;
        probe.generation = generation;
        probe.from = loopback;
        probe.wait = std::chrono::seconds(10);
        probe.expect = expect;
        std::vector<ReceivedDatagram> received;
        std::string error;
        EXPECT_TRUE(SearchSender::run(probe, received, error)) << error;
        return received;
    }

    static std::uint64_t handled(const Simulator& simulator)
    {
        RequestCounts counts = simulator.counts();
        return counts.oldModify + counts.basicModify + counts.extendedModify;
    }

    static int statusOf(const std::optional<ReceivedDatagram>& reply)
    {
        return reply && reply->bytes.size() > 13 ? reply->bytes[13] : -1;
    }
};

TEST_F(ModifyTest, AppliedRequestsShowInTheNextSearchAndMoveTheWebServer)
{
    const Settings moved {"127.0.0.9", "255.255.0.0", "127.0.0.2", "127.0.0.3", 8080, 8554, false};
    const Settings dhcpOn {"", "", "", "", 8080, 8554, true};
    struct Case {
        const char* what;
        Generation generation;
        Bytes request;
        Settings after;      // the device's state
        Settings shown;      // what the search reply shows
        std::uint32_t webAddress;
    };
    const std::vector<Case> cases = {
        // Old requests carry no ports and no DNS: those stay.
        {"old", Generation::Old, oldModify("127.0.0.5", moved),
            {"127.0.0.9", "255.255.0.0", "127.0.0.2", "127.0.0.1", 80, 554, false},
            {"127.0.0.9", "255.255.0.0", "", "", 80, 554, false}, movedIp},
        {"basic", Generation::Basic, basicModify("127.0.0.5", moved), moved, moved, movedIp},
        {"extended", Generation::Extended, extendedModify("127.0.0.5", "02:00:00:00:00:05", moved, "admin", "secret"),
            moved, moved, movedIp},
        // DHCP on: the address fields are zero and keep the address.
        {"basic, DHCP on", Generation::Basic, basicModify("127.0.0.5", dhcpOn),
            {"127.0.0.5", "255.0.0.0", "127.0.0.1", "127.0.0.1", 8080, 8554, true},
            {"127.0.0.5", "255.0.0.0", "127.0.0.1", "127.0.0.1", 8080, 8554, true}, deviceIp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Simulator simulator({camera()}, {});
        std::string error;
        ASSERT_TRUE(simulator.start(error)) << error;
        ASSERT_EQ(exchangeHttp(deviceIp, 80, httpGet("/vb.htm?getserialnum=", rightCredentials)).response.substr(0, 15),
            "HTTP/1.1 200 OK");

        UniqueFd tool = send(c.request);
        if (c.generation == Generation::Extended) {
            std::optional<ReceivedDatagram> reply = receive(tool, true);
            ASSERT_TRUE(reply.has_value()) << "no reply";
            EXPECT_EQ(statusOf(reply), 0);
            EXPECT_EQ(reply->sourceAddress, deviceIp) << "the reply leaves from the address the request named";
        }
        ASSERT_TRUE(eventually([&] { return handled(simulator) == 1; }));
        EXPECT_FALSE(receive(tool, false).has_value()) << "old and basic requests are never answered";
        EXPECT_EQ(settingsOf(simulator.device(0)), c.after);

        std::vector<ReceivedDatagram> replies = search(c.generation, 1);
        ASSERT_EQ(replies.size(), 1u);
        EXPECT_EQ(settingsOf(c.generation, replies[0].bytes), c.shown);
        EXPECT_EQ(replies[0].sourceAddress, c.webAddress) << "the reply socket moves with the address";

        HttpExchange atNewPlace = exchangeHttp(c.webAddress, static_cast<std::uint16_t>(c.after.httpPort),
            httpGet("/vb.htm?paratest=authority", rightCredentials));
        EXPECT_EQ(atNewPlace.response.substr(0, 15), "HTTP/1.1 200 OK");
        EXPECT_FALSE(exchangeHttp(deviceIp, 80, httpGet("/vb.htm?paratest=authority", rightCredentials)).connected)
            << "nothing is left listening at the old address and port";
        EXPECT_EQ(simulator.counts().changesApplied, 1u);
    }
}

TEST_F(ModifyTest, RequestsNotForTheDeviceOrWithoutTheRightPasswordChangeNothing)
{
    char logPath[] = "/tmp/devsim-modify-log-XXXXXX";
    int fd = mkstemp(logPath);
    ASSERT_GE(fd, 0);
    close(fd);
    SimulatorOptions options;
    options.logPath = logPath;
    SimulatedDevice extendedOnly = camera();
    extendedOnly.ip = 0x7F000007u;
    extendedOnly.generations = {false, false, true};
    Simulator simulator({camera(), extendedOnly}, options);
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;
    const std::vector<SimulatedDevice> before = simulator.devices();
    std::vector<ReceivedDatagram> replyBefore = search(Generation::Basic, 1);
    ASSERT_EQ(replyBefore.size(), 1u);

    const Settings moved {"127.0.0.9", "255.255.0.0", "127.0.0.2", "127.0.0.3", 8080, 8554, false};
    const Settings badAddress {"127.0.0.300", "255.255.0.0", "", "", 8080, 8554, false};
    const char* mac = "02:00:00:00:00:05";
    struct Case {
        const char* what;
        Bytes request;
        int status; // the extended reply's; -1: no reply
        const char* logged; // kind and address of the log line
    };
    const std::vector<Case> cases = {
        {"basic, no such device", basicModify("127.0.0.6", moved), -1, "basic-modify 127.0.0.6"},
        {"basic, address text with a leading zero", basicModify("127.0.0.05", moved), -1, "basic-modify 127.0.0.05"},
        {"old, device without the old generation", oldModify("127.0.0.7", moved), -1, "old-modify 127.0.0.7"},
        {"basic, device without the basic generation", basicModify("127.0.0.7", moved), -1, "basic-modify 127.0.0.7"},
        {"basic, new address no address", basicModify("127.0.0.5", badAddress), -1, "basic-modify 127.0.0.5"},
        {"extended, other MAC", extendedModify("127.0.0.5", "02:00:00:00:00:06", moved, "admin", "secret"), -1,
            "extended-modify 127.0.0.5"},
        {"extended, wrong password", extendedModify("127.0.0.5", mac, moved, "admin", "secreT"), 16,
            "extended-modify 127.0.0.5"},
        {"extended, empty password", extendedModify("127.0.0.5", mac, moved, "admin", ""), 16,
            "extended-modify 127.0.0.5"},
        {"extended, other user", extendedModify("127.0.0.5", mac, moved, "root", "secret"), 16,
            "extended-modify 127.0.0.5"},
        {"extended, new address no address", extendedModify("127.0.0.5", mac, badAddress, "admin", "secret"), 1,
            "extended-modify 127.0.0.5"},
    };
    std::vector<std::string> expectedLog = {"basic 127.0.0.1 lo"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::uint64_t handledBefore = handled(simulator);
        UniqueFd tool = send(c.request);
        if (c.status >= 0) {
            std::optional<ReceivedDatagram> reply = receive(tool, true);
            ASSERT_TRUE(reply.has_value()) << "no reply";
            EXPECT_EQ(statusOf(reply), c.status);
            EXPECT_EQ(reply->sourceAddress, deviceIp);
        }
        ASSERT_TRUE(eventually([&] { return handled(simulator) == handledBefore + 1; }));
        EXPECT_FALSE(receive(tool, false).has_value()) << "no other reply";
        expectedLog.push_back(std::string(c.logged) + " lo");
    }
    std::vector<ReceivedDatagram> replyAfter = search(Generation::Basic, 1);
    expectedLog.push_back("basic 127.0.0.1 lo");
    simulator.stop();

    EXPECT_EQ(simulator.counts().changesApplied, 0u);
    std::vector<SimulatedDevice> after = simulator.devices();
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(settingsOf(after[i]), settingsOf(before[i])) << "device " << i;
    ASSERT_EQ(replyAfter.size(), 1u);
    EXPECT_EQ(replyAfter[0].bytes, replyBefore[0].bytes);

    // Each line: <kind> <source ip>:<port> <address text> <interface>; the
    // source is always 127.0.0.1, its port varies.
    std::ifstream log(logPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(std::regex_replace(line, std::regex(" 127\\.0\\.0\\.1:[0-9]+ "), " "));
    std::remove(logPath);
    EXPECT_EQ(lines, expectedLog);
}

// A device that keeps its address takes each request as usual (an extended
// one answered "applied") and still answers the next search unchanged.
TEST_F(ModifyTest, ADeviceThatKeepsItsAddressTakesRequestsButChangesNothing)
{
    const Settings moved {"127.0.0.9", "255.255.0.0", "127.0.0.2", "127.0.0.3", 8080, 8554, false};
    SimulatedDevice stubborn = camera();
    stubborn.keepsAddress = true;
    Simulator simulator({stubborn}, {});
    std::string error;
    ASSERT_TRUE(simulator.start(error)) << error;
    const Settings before = settingsOf(simulator.device(0));

    UniqueFd tool = send(extendedModify("127.0.0.5", "02:00:00:00:00:05", moved, "admin", "secret"));
    EXPECT_EQ(statusOf(receive(tool, true)), 0);
    for (const Bytes& request : {oldModify("127.0.0.5", moved), basicModify("127.0.0.5", moved)})
        send(request);
    ASSERT_TRUE(eventually([&] { return handled(simulator) == 3; }));

    EXPECT_EQ(simulator.counts().changesApplied, 0u);
    EXPECT_EQ(settingsOf(simulator.device(0)), before);
    std::vector<ReceivedDatagram> replies = search(Generation::Basic, 1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].sourceAddress, deviceIp);
}

} // namespace
} // namespace lorvena::devsim
