// Searches through real sockets against simulated devices, inside the test's
// own loopback network namespace.

#include "discovery/ReplyBytes.h"
#include "network/SearchFixture.h"
#include "platform/LocalAddresses.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/socket.h>

#include <algorithm>
#include <map>

namespace lorvena {
namespace {

using devsim::Fault;
using devsim::FaultKind;
using devsim::Generation;
using devsim::SimulatedDevice;
using testing_support::makeDevice;

constexpr std::array<bool, 3> oldOnly {true, false, false};
constexpr std::array<bool, 3> basicOnly {false, true, false};
constexpr std::array<bool, 3> extendedOnly {false, false, true};
constexpr std::array<bool, 3> basicAndExtended {false, true, true};

// The table's rows by IP text, each as its cells in column order without
// the row number (arrival order between devices is not fixed).
std::map<std::string, std::vector<std::string>> rowsByIp(const DeviceTable& table)
{
    std::map<std::string, std::vector<std::string>> rows;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        std::vector<std::string> cells;
        for (std::size_t c = 1; c < table.columnCount(); ++c)
            cells.push_back(table.text(r, static_cast<int>(c)));
        rows[table.row(r).ip] = cells;
    }
    return rows;
}

void expectNumberedOneToN(const DeviceTable& table)
{
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        EXPECT_EQ(table.row(r).number, std::to_string(r + 1));
}

class Search : public testing_support::SearchFixture {};

TEST_F(Search, NewModeListsEveryDeviceWithTheExactCellTexts)
{
    SimulatedDevice camera = makeDevice("192.168.1.10", 0x01);
    camera.generations = basicAndExtended;
    camera.name = std::string(63, 'K');
    camera.firmware = "V5.5.0 build 240101";
    camera.dhcp = true;
    camera.typeCode = 1;
    camera.channels = 1;

    SimulatedDevice recorder = makeDevice("192.168.1.11", 0xAB);
    recorder.generations = basicOnly;
    recorder.kind = "DVR";
    recorder.name = "Rejestrator Łódź";
    recorder.encoding = devsim::TextEncoding::Windows1250;
    recorder.httpPort = 8080;
    recorder.rtspPort = 8554;
    recorder.channels = 16;
    recorder.typeCode = 520;

    SimulatedDevice nvr = makeDevice("10.0.0.3", 0x03);
    nvr.generations = extendedOnly;
    nvr.kind = "NVR";
    nvr.macText = "00-12-34-56-78-03";
    nvr.firmware = std::string(127, 'F'); // one too many for the cell: shown empty
    nvr.typeCode = 610;
    nvr.channels = 32;

    SimulatedDevice hvr = makeDevice("10.0.0.4", 0x04);
    hvr.generations = extendedOnly;
    hvr.kind = "HVR";
    hvr.firmware = std::string(126, 'H');
    hvr.typeCode = -5;

    SimulatedDevice xvr = makeDevice("10.0.0.5", 0x05);
    xvr.generations = basicAndExtended;
    xvr.kind = "XVR";
    xvr.dhcp = true;
    xvr.typeCode = 700;

    SimulatedDevice decoder = makeDevice("10.0.0.6", 0x06);
    decoder.generations = basicOnly;
    decoder.kind = "DECODER";

    SimulatedDevice unknownBasic = makeDevice("10.0.0.7", 0x07); // not a known family: not listed
    unknownBasic.generations = basicOnly;
    unknownBasic.kind = "IPC";

    SimulatedDevice unknownExtended = makeDevice("10.0.0.8", 0x08); // extended replies list every kind
    unknownExtended.generations = extendedOnly;
    unknownExtended.kind = "IPC";

    SimulatedDevice oldFirmware = makeDevice("10.0.0.9", 0x09); // old generation only: silent here
    oldFirmware.generations = oldOnly;

    startDevices({camera, recorder, nvr, hvr, xvr, decoder, unknownBasic, unknownExtended, oldFirmware});
    startTool(1);
    searchAndCollect(7);

    using Cells = std::vector<std::string>;
    std::map<std::string, Cells> expected {
        {"192.168.1.10", Cells {"IPCAMERA", std::string(63, 'K'), "V5.5.0 build 240101", "192.168.1.10", "255.255.255.0",
                             "192.168.1.1", "192.168.1.1", "00:12:34:56:78:01", "80", "554", "1", "Aktywne", "1"}},
        {"192.168.1.11", Cells {"DVR", "Rejestrator Łódź", "V1.0.0", "192.168.1.11", "255.255.255.0", "192.168.1.1",
                             "192.168.1.1", "00:12:34:56:78:AB", "8080", "8554", "16", "Nieaktywne", "520"}},
        {"10.0.0.3", Cells {"NVR", "Device 10.0.0.3", "", "10.0.0.3", "255.255.255.0", "192.168.1.1", "192.168.1.1",
                         "00-12-34-56-78-03", "80", "554", "32", "Nieaktywne", "610"}},
        {"10.0.0.4", Cells {"HVR", "Device 10.0.0.4", std::string(126, 'H'), "10.0.0.4", "255.255.255.0",
                         "192.168.1.1", "192.168.1.1", "00:12:34:56:78:04", "80", "554", "1", "Nieaktywne", "-5"}},
        {"10.0.0.5", Cells {"XVR", "Device 10.0.0.5", "V1.0.0", "10.0.0.5", "255.255.255.0", "192.168.1.1",
                         "192.168.1.1", "00:12:34:56:78:05", "80", "554", "1", "Aktywne", "700"}},
        {"10.0.0.6", Cells {"DECODER", "Device 10.0.0.6", "V1.0.0", "10.0.0.6", "255.255.255.0", "192.168.1.1",
                         "192.168.1.1", "00:12:34:56:78:06", "80", "554", "1", "Nieaktywne", "0"}},
        {"10.0.0.8", Cells {"IPC", "Device 10.0.0.8", "V1.0.0", "10.0.0.8", "255.255.255.0", "192.168.1.1",
                         "192.168.1.1", "00:12:34:56:78:08", "80", "554", "1", "Nieaktywne", "0"}},
    };
    EXPECT_EQ(table().rowCount(), 7u);
    EXPECT_EQ(rowsByIp(table()), expected);
    expectNumberedOneToN(table());
    EXPECT_EQ(view.appendedRows.size(), 7u);
}

TEST_F(Search, OldModeListsEveryDeviceWithTheOldColumns)
{
    SimulatedDevice dvr = makeDevice("192.168.1.20", 0xFE);
    dvr.generations = oldOnly;
    dvr.kind = "DVR";
    dvr.name = std::string(64, 'N'); // fills its field: the last byte is cut
    dvr.httpPort = 8080;
    dvr.channels = 8;

    SimulatedDevice camera = makeDevice("192.168.1.21", 0x21);
    camera.generations = oldOnly;
    camera.kind = "IPC"; // the old generation lists every kind

    SimulatedDevice newFirmware = makeDevice("192.168.1.22", 0x22); // silent to the old request
    newFirmware.generations = basicAndExtended;

    startDevices({dvr, camera, newFirmware});
    startTool(0);
    searchAndCollect(2);

    using Cells = std::vector<std::string>;
    std::map<std::string, Cells> expected {
        {"192.168.1.20", Cells {"DVR", std::string(63, 'N'), "192.168.1.20", "255.255.255.0", "00:12:34:56:78:FE",
                             "8080", "554", "8"}},
        {"192.168.1.21", Cells {"IPC", "Device 192.168.1.21", "192.168.1.21", "255.255.255.0", "00:12:34:56:78:21",
                             "80", "554", "1"}},
    };
    EXPECT_EQ(rowsByIp(table()), expected);
    expectNumberedOneToN(table());
}

struct DuplicateCase {
    const char* name;
    int searchMode;
    std::array<bool, 3> generations;
    // Two devices; the second differs from the first only where it says.
    const char* secondIp;
    std::uint8_t secondMacLastByte;
    std::size_t expectedRows;
};

void PrintTo(const DuplicateCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class DuplicateRules : public testing_support::SearchFixture, public testing::WithParamInterface<DuplicateCase> {};

TEST_P(DuplicateRules, DecideWhatCountsAsOneDevice)
{
    const DuplicateCase& c = GetParam();
    SimulatedDevice first = makeDevice("10.0.0.1", 0x01);
    first.generations = c.generations;
    SimulatedDevice second = makeDevice(c.secondIp, c.secondMacLastByte);
    second.generations = c.generations;
    startDevices({first, second});
    startTool(c.searchMode);
    searchAndCollect(c.expectedRows);
    EXPECT_EQ(table().rowCount(), c.expectedRows);
    EXPECT_EQ(table().row(0).number, "1");
}

INSTANTIATE_TEST_SUITE_P(Replies, DuplicateRules,
    testing::Values(DuplicateCase {"OldSameIpOtherMac", 0, oldOnly, "10.0.0.1", 0x02, 1},
        DuplicateCase {"OldSameMacOtherIp", 0, oldOnly, "10.0.0.2", 0x01, 2},
        DuplicateCase {"BasicSameIpOtherMac", 1, basicOnly, "10.0.0.1", 0x02, 1},
        DuplicateCase {"BasicSameMacOtherIp", 1, basicOnly, "10.0.0.2", 0x01, 1},
        DuplicateCase {"ExtendedSameMacOtherIp", 1, extendedOnly, "10.0.0.2", 0x01, 2},
        DuplicateCase {"ExtendedSameIpOtherMac", 1, extendedOnly, "10.0.0.1", 0x02, 2},
        DuplicateCase {"TwoDevicesAnsweringBothRequests", 1, basicAndExtended, "10.0.0.2", 0x02, 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(Search, MalformedDatagramsAreIgnoredAndGoodOnesBehindThemKept)
{
    SimulatedDevice noisy = makeDevice("10.0.0.1", 0x01);
    noisy.generations = basicAndExtended;
    noisy.faults = {Fault {FaultKind::WrongMagic}, Fault {FaultKind::Byte11NotNul}, Fault {FaultKind::EchoRequest}};

    SimulatedDevice onlyGarbage = makeDevice("10.0.0.2", 0x02);
    onlyGarbage.generations = basicAndExtended;
    onlyGarbage.faults = {Fault {FaultKind::WrongMagic}, Fault {FaultKind::Byte11NotNul}, Fault {FaultKind::EchoRequest}};
    onlyGarbage.replaceGoodReply = true;

    // Linux cuts an oversized datagram to the reply size: its first bytes count.
    SimulatedDevice oversize = makeDevice("10.0.0.3", 0x03);
    oversize.generations = basicOnly;
    oversize.faults = {Fault {FaultKind::Oversize}};
    oversize.replaceGoodReply = true;

    // A short reply reads as zeros past its end: the kind and MAC survive,
    // the IP text is cut where the datagram ends, the ports read 0.
    SimulatedDevice truncated = makeDevice("10.9.9.9", 0x04);
    truncated.generations = basicOnly;
    truncated.faults = {Fault {FaultKind::Short, 36}};
    truncated.replaceGoodReply = true;

    startDevices({noisy, onlyGarbage, oversize, truncated});
    startTool(1);
    std::size_t socketsBefore = localIpv4Addresses().size();
    searchAndCollect(3);

    auto rows = rowsByIp(table());
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows.count("10.0.0.1"));
    EXPECT_FALSE(rows.count("10.0.0.2"));
    ASSERT_TRUE(rows.count("10.0.0.3"));
    EXPECT_EQ(rows["10.0.0.3"][0], "IPCAMERA");
    ASSERT_TRUE(rows.count("10.9.9"));
    EXPECT_EQ(rows["10.9.9"][7], "00:12:34:56:78:04");
    EXPECT_EQ(rows["10.9.9"][8], "0");
    // Bad datagrams never retire a socket.
    EXPECT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Basic), socketsBefore);
    EXPECT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Extended), socketsBefore);
}

TEST_F(Search, ASecondSearchClearsTheFirstOnesRows)
{
    startDevices({makeDevice("10.0.0.1", 0x01), makeDevice("10.0.0.2", 0x02)});
    startTool(1);
    searchAndCollect(2);
    simulator->stop();
    startDevices({makeDevice("10.0.0.3", 0x03)});
    searchAndCollect(1);
    EXPECT_EQ(table().rowCount(), 1u);
    EXPECT_EQ(table().row(0).ip, "10.0.0.3");
    EXPECT_EQ(table().row(0).number, "1");
    EXPECT_EQ(view.clears, 2);
}

TEST_F(Search, RepliesArrivingAfterTheSearchAreStillListed)
{
    startDevices({makeDevice("10.0.0.1", 0x01)});
    startTool(1);
    searchAndCollect(1);

    // A reply that answers nobody's request in particular (another tool's
    // search, or a device that was slow) reaches the socket later.
    sockaddr_in toolSocket {};
    {
        auto& sockets = controller->discovery().sockets();
        std::lock_guard lock(sockets.interfaceLock());
        socklen_t length = sizeof toolSocket;
        ASSERT_EQ(getsockname(sockets.list(SocketFamily::Basic).front().socket,
                      reinterpret_cast<sockaddr*>(&toolSocket), &length),
            0);
    }
    auto late = testing_support::basicReply().text(13, "NVR").text(30, "10.0.0.50").raw(23, {1, 2, 3, 4, 5, 6});
    int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sender, 0);
    sendto(sender, late.bytes().data(), late.bytes().size(), 0, reinterpret_cast<const sockaddr*>(&toolSocket),
        sizeof toolSocket);
    ::close(sender);

    EXPECT_TRUE(pumpUntil([&] { return table().rowCount() == 2; }));
    EXPECT_EQ(table().row(1).ip, "10.0.0.50");
    EXPECT_EQ(table().row(1).number, "2");
}

struct BurstOrderCase {
    const char* name;
    int searchMode;
    SocketFamily family;
    std::size_t size, ipAt, kindAt, macAt;
    std::uint8_t command;
    const char* magic;
    bool macAsText;
};

void PrintTo(const BurstOrderCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

class BurstOrder : public testing_support::SearchFixture, public testing::WithParamInterface<BurstOrderCase> {};

// A burst read off in batches is listed as one reply after another would
// be: in arrival order, numbered 1..n, with the junk and the repeats in
// between kept off the list, and a device that answered twice shown once.
TEST_P(BurstOrder, RowsFollowArrivalWithJunkAndRepeatsInBetween)
{
    const BurstOrderCase& c = GetParam();
    startTool(c.searchMode);
    controller->search(); // no devices: it opens the sockets
    sockaddr_in toolSocket {};
    {
        auto& sockets = controller->discovery().sockets();
        std::lock_guard lock(sockets.interfaceLock());
        ASSERT_FALSE(sockets.list(c.family).empty());
        socklen_t length = sizeof toolSocket;
        ASSERT_EQ(getsockname(sockets.list(c.family).front().socket, reinterpret_cast<sockaddr*>(&toolSocket), &length),
            0);
    }
    auto ipText = [](std::size_t device) {
        return "10.0." + std::to_string(device / 200) + "." + std::to_string(device % 200 + 1);
    };
    auto reply = [&](std::size_t device) {
        testing_support::ReplyBytes bytes(c.size, c.magic, c.command);
        bytes.text(c.kindAt, "NVR").text(c.ipAt, ipText(device));
        const auto last = static_cast<std::uint8_t>(device);
        const auto middle = static_cast<std::uint8_t>(device >> 8);
        if (c.macAsText) {
            char mac[18];
            std::snprintf(mac, sizeof mac, "00:12:34:56:%02X:%02X", middle, last);
            bytes.text(c.macAt, mac);
        } else {
            bytes.raw(c.macAt, {0x00, 0x12, 0x34, 0x56, middle, last});
        }
        return bytes.bytes();
    };
    std::vector<std::uint8_t> junk(c.size, 'x');

    UniqueFd sender(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ASSERT_TRUE(sender);
    auto send = [&](const std::vector<std::uint8_t>& bytes) {
        sendto(sender.get(), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&toolSocket),
            sizeof toolSocket);
    };
    // More than one turn's worth of datagrams, so that several batches meet.
    constexpr std::size_t devices = 300;
    std::vector<std::string> expected;
    for (std::size_t device = 0; device < devices; ++device) {
        send(reply(device));
        send(junk);
        if (device % 3 == 0)
            send(reply(device));
        if (device % 5 == 0 && device > 0)
            send(reply(device - 1));
        expected.push_back(ipText(device));
    }

    EXPECT_TRUE(pumpUntil([&] { return table().rowCount() >= devices; }))
        << "only " << table().rowCount() << " of " << devices << " devices listed";
    pumpFor(std::chrono::milliseconds(300));
    std::vector<std::string> listed;
    for (std::size_t row = 0; row < table().rowCount(); ++row)
        listed.push_back(table().row(row).ip);
    EXPECT_EQ(listed, expected);
    expectNumberedOneToN(table());
}

INSTANTIATE_TEST_SUITE_P(Replies, BurstOrder,
    testing::Values(BurstOrderCase {"OldMode", 0, SocketFamily::Basic, 280, 60, 13, 23, 1, "search.....", false},
        BurstOrderCase {"Basic", 1, SocketFamily::Basic, 348, 30, 13, 23, 1, "searching..", false},
        BurstOrderCase {"Extended", 1, SocketFamily::Extended, 544, 24, 304, 104, 0x0B, "searching..", true}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// The search sockets hear what the network says about their datagrams (so
// that a request the kernel dropped is reported as not sent). An error sent
// back for one datagram is read off; the socket goes on listening.
TEST_F(Search, AnErrorTheNetworkSendsBackKeepsTheSocketListening)
{
    startDevices({makeDevice("10.0.0.1", 0x01)});
    startTool(1);
    searchAndCollect(1);

    sockaddr_in toolSocket {};
    int toolFd = -1;
    {
        auto& sockets = controller->discovery().sockets();
        std::lock_guard lock(sockets.interfaceLock());
        toolFd = sockets.list(SocketFamily::Basic).front().socket;
        socklen_t length = sizeof toolSocket;
        ASSERT_EQ(getsockname(toolFd, reinterpret_cast<sockaddr*>(&toolSocket), &length), 0);
    }
    // A port nobody listens on: the kernel answers "port unreachable".
    sockaddr_in closed {};
    closed.sin_family = AF_INET;
    closed.sin_port = htons(9);
    closed.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(sendto(toolFd, "x", 1, 0, reinterpret_cast<const sockaddr*>(&closed), sizeof closed), 1);
    pumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Basic), 1u);

    // An error the kernel queues about our own send (too big for the path)
    // raises no pending error: it must be read off all the same, or every
    // wait of the receiver wakes at once from then on.
    ASSERT_EQ(std::system("ip link set lo mtu 1500"), 0);
    int probe = IP_PMTUDISC_DO;
    ASSERT_EQ(setsockopt(toolFd, IPPROTO_IP, IP_MTU_DISCOVER, &probe, sizeof probe), 0);
    const std::vector<char> tooBig(2000, 'x');
    EXPECT_LT(sendto(toolFd, tooBig.data(), tooBig.size(), 0, reinterpret_cast<const sockaddr*>(&closed),
                  sizeof closed),
        0);
    pumpFor(std::chrono::milliseconds(300));
    pollfd queued {toolFd, 0, 0};
    ASSERT_EQ(poll(&queued, 1, 0), 0) << "an error is still queued on the search socket";

    auto late = testing_support::basicReply().text(13, "NVR").text(30, "10.0.0.50").raw(23, {1, 2, 3, 4, 5, 6});
    UniqueFd sender(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sendto(sender.get(), late.bytes().data(), late.bytes().size(), 0, reinterpret_cast<const sockaddr*>(&toolSocket),
        sizeof toolSocket);
    EXPECT_TRUE(pumpUntil([&] { return table().rowCount() == 2; }));
}

TEST_F(Search, EveryLocalAddressGetsOneSocketAndRepeatedSearchesAddNone)
{
    ASSERT_EQ(std::system("ip addr add 127.0.0.2/8 dev lo && ip addr add 127.0.0.3/8 dev lo"), 0);
    startDevices({makeDevice("10.0.0.1", 0x01)});
    startTool(1);
    for (int search = 1; search <= 3; ++search) {
        searchAndCollect(1);
        SCOPED_TRACE("search " + std::to_string(search));
        EXPECT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Basic), 3u);
        EXPECT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Extended), 3u);
        // One copy of each request from each of the three addresses.
        EXPECT_EQ(simulator->counts().basicSearch, 3u * search);
        EXPECT_EQ(simulator->counts().extendedSearch, 3u * search);
    }
    EXPECT_EQ(table().rowCount(), 1u);
}

// A machine with many addresses (containers, VPNs), in a window that has
// run long enough for descriptor numbers past select's limit: each socket is
// listened to, the last address's as much as the first.
TEST_F(Search, EverySocketIsListenedToHoweverManyAndHoweverHighTheirNumbers)
{
    constexpr int addresses = 80;
    std::string add;
    for (int host = 2; host <= addresses; ++host)
        add += "ip addr add 127.0.0." + std::to_string(host) + "/8 dev lo && ";
    ASSERT_EQ(std::system((add + "true").c_str()), 0);
    rlimit files {4096, 4096};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0);
    std::vector<UniqueFd> filler;
    while (filler.empty() || filler.back().get() < FD_SETSIZE)
        filler.emplace_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));

    startDevices({makeDevice("10.0.0.1", 0x01)});
    startTool(1);
    searchAndCollect(1);
    ASSERT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Basic), std::size_t {addresses});

    // A reply sent to the socket of the last address only.
    sockaddr_in lastSocket {};
    {
        auto& sockets = controller->discovery().sockets();
        std::lock_guard lock(sockets.interfaceLock());
        for (const InterfaceSocket& entry : sockets.list(SocketFamily::Basic)) {
            if (entry.localAddress != (0x7F000000u | addresses))
                continue;
            EXPECT_GE(entry.socket, FD_SETSIZE);
            socklen_t length = sizeof lastSocket;
            ASSERT_EQ(getsockname(entry.socket, reinterpret_cast<sockaddr*>(&lastSocket), &length), 0);
        }
    }
    ASSERT_NE(lastSocket.sin_port, 0) << "no socket for 127.0.0." << addresses;
    auto late = testing_support::basicReply().text(13, "NVR").text(30, "10.0.0.80").raw(23, {1, 2, 3, 4, 5, 0x50});
    UniqueFd sender(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sendto(sender.get(), late.bytes().data(), late.bytes().size(), 0, reinterpret_cast<const sockaddr*>(&lastSocket),
        sizeof lastSocket);
    EXPECT_TRUE(pumpUntil([&] { return table().rowCount() == 2; }));
}

// An address that gets no socket, and a machine with no address at all, are
// told: otherwise both look like a network without devices.
TEST(SocketProblems, AreToldNotSwallowed)
{
    std::vector<std::uint32_t> addresses {0x7F000001, 0x0A630001}; // 10.99.0.1 is on no interface
    InterfaceSockets sockets([&addresses] { return addresses; });
    std::vector<std::string> told;
    sockets.setProblemSink([&told](const SocketProblem& problem) { told.push_back(describeSocketProblem(problem)); });

    sockets.refreshSockets(SocketFamily::Basic);
    EXPECT_EQ(sockets.liveSocketCount(SocketFamily::Basic), 1u);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "no socket on 10.99.0.1: Cannot assign requested address; nothing is sent or heard there");

    addresses.clear();
    told.clear();
    sockets.refreshSockets(SocketFamily::Basic);
    sockets.refreshSockets(SocketFamily::Extended);
    EXPECT_EQ(told, std::vector<std::string> {"no local IPv4 address: the search was not sent"});
}

// An error the network sent back for an earlier datagram is handed to the
// next send on that socket, which then does not go out: the request is sent
// once more, not lost (nor reported as a problem). No receiver runs here, so
// nothing reads the error off first.
TEST(SocketProblems, AnEarlierDatagramsErrorDoesNotCostTheNextRequest)
{
    InterfaceSockets sockets([] { return std::vector<std::uint32_t> {0x7F000001}; });
    std::vector<std::string> told;
    sockets.setProblemSink([&told](const SocketProblem& problem) { told.push_back(describeSocketProblem(problem)); });
    sockets.refreshSockets(SocketFamily::Basic);
    int toolFd = -1;
    {
        std::lock_guard lock(sockets.interfaceLock());
        ASSERT_EQ(sockets.list(SocketFamily::Basic).size(), 1u);
        toolFd = sockets.list(SocketFamily::Basic).front().socket;
    }
    UniqueFd device(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    int on = 1;
    ::setsockopt(device.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in devicePort {};
    devicePort.sin_family = AF_INET;
    devicePort.sin_port = htons(DiscoveryHeader::port);
    ASSERT_EQ(::bind(device.get(), reinterpret_cast<const sockaddr*>(&devicePort), sizeof devicePort), 0);

    sockaddr_in closed {};
    closed.sin_family = AF_INET;
    closed.sin_port = htons(9);
    closed.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(sendto(toolFd, "x", 1, 0, reinterpret_cast<const sockaddr*>(&closed), sizeof closed), 1);
    pollfd answered {toolFd, 0, 0};
    ASSERT_EQ(poll(&answered, 1, 5000), 1) << "no port-unreachable came back";

    const std::uint8_t request[] = {1, 2, 3, 4};
    sockets.broadcast(SocketFamily::Basic, [&](std::uint32_t) { return ByteView(request); });
    EXPECT_TRUE(told.empty()) << told.front();
    pollfd heard {device.get(), POLLIN, 0};
    EXPECT_EQ(poll(&heard, 1, 5000), 1) << "the request never went out";
}

TEST_F(Search, ShutdownEndsIdleReceiversPromptlyAndClosesEverySocket)
{
    startDevices({makeDevice("10.0.0.1", 0x01)});
    startTool(1);
    searchAndCollect(1);
    auto started = std::chrono::steady_clock::now();
    controller->shutdownSearch();
    auto took = std::chrono::steady_clock::now() - started;
    // Idle receivers wake every 110 ms; a second is a hang, not slowness.
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Basic), 0u);
    EXPECT_EQ(controller->discovery().sockets().liveSocketCount(SocketFamily::Extended), 0u);
    controller->shutdownSearch(); // a second stop does nothing
}

} // namespace
} // namespace lorvena
