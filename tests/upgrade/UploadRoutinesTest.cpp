#include "upgrade/UploadRoutines.h"

#include "net/Base64.h"
#include "upgrade/FakeUploadHost.h"
#include "upgrade/ScriptedDevice.h"
#include "upgrade/UploadWire.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::AnswerHttp;
using testing_support::FakeUploadHost;
using testing_support::HangUpAfterCommand;
using testing_support::RefusingPort;
using testing_support::ScriptedDevice;
using testing_support::ScriptedEchoProbe;
using testing_support::StopReadingAfterFirstReply;
using testing_support::TakeUpload;
using testing_support::TakeUploadAfter;

constexpr EchoAnswer answered = EchoAnswer::Answered;
constexpr EchoAnswer silent = EchoAnswer::Silent;
const std::string progressComplete = "HTTP/1.1 200 OK\r\n\r\nprocess=100<br>";

enum class Routine { UploadThenWatch, SizedUploadThenPoll, SizedUploadThenWatch };
constexpr Routine allRoutines[] = {
    Routine::UploadThenWatch, Routine::SizedUploadThenPoll, Routine::SizedUploadThenWatch};

const char* nameOf(Routine routine)
{
    switch (routine) {
    case Routine::UploadThenWatch:
        return "UploadThenWatch";
    case Routine::SizedUploadThenPoll:
        return "SizedUploadThenPoll";
    case Routine::SizedUploadThenWatch:
        break;
    }
    return "SizedUploadThenWatch";
}

bool sized(Routine routine) { return routine != Routine::UploadThenWatch; }
// The routines that set upgradeRunning themselves.
int ownMarks(Routine routine) { return routine == Routine::SizedUploadThenPoll ? 0 : 1; }

// Every byte a little different, so that a lost or repeated chunk shows.
std::string packageBytes(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

std::string sizeField(std::size_t length)
{
    const auto field = upgradeSizeField(length);
    return std::string(field.begin(), field.end());
}

// What the device must have received for a whole package.
std::string expectedUpload(Routine routine, const std::string& package)
{
    return upgradeCommand(package.size()) + (sized(routine) ? sizeField(package.size()) : "") + package;
}

// The bar's values while `length` bytes go out in chunks.
std::vector<int> transferValues(std::size_t length)
{
    std::vector<int> values;
    for (std::size_t sent = 0; sent < length;) {
        sent = std::min(sent + uploadChunkBytes, length);
        values.push_back(uploadPercent(sent, length));
    }
    return values;
}

std::vector<int> followedBy(std::vector<int> values, const std::vector<int>& more)
{
    values.insert(values.end(), more.begin(), more.end());
    return values;
}

class UploadRoutinesTest : public ::testing::Test {
protected:
    UploadRoutinesTest()
    {
        char pattern[] = "/tmp/lorvena-upload-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            folder_ = pattern;
        timings.tcp = {5s, 5s, 5s};
        timings.http.connectTimeout = 2s;
        timings.http.receiveTimeout = 5s;
        timings.pollInterval = 0ms;
        timings.pollLimit = 10s;
        timings.watchSettle = 0ms;
        timings.watchPass = 0ms;
        timings.finalPause = 0ms;
    }
    ~UploadRoutinesTest() override
    {
        if (!folder_.empty())
            std::filesystem::remove_all(folder_);
    }

    std::string writePackage(const std::string& bytes)
    {
        const std::string path = folder_ + "/HX7_1.2_full.bin";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string folder() const { return folder_; }

    void aimAt(const std::string& portText) { host.where = {"127.0.0.1", portText, "0"}; }

    UploadOutcome run(Routine routine)
    {
        switch (routine) {
        case Routine::UploadThenWatch:
            return UploadThenWatch(host, probe, timings);
        case Routine::SizedUploadThenPoll:
            return SizedUploadThenPoll(host, timings);
        case Routine::SizedUploadThenWatch:
            break;
        }
        return SizedUploadThenWatch(host, probe, timings);
    }

    // The device side of a whole transfer; the polling routine's device then
    // reports completion.
    static std::vector<ScriptedDevice::Script> takesWhole(Routine routine, const std::string& package,
        std::string finalReply)
    {
        const std::size_t afterCommand = (sized(routine) ? 4 : 0) + package.size();
        std::vector<ScriptedDevice::Script> scripts {TakeUpload(afterCommand, "OK\n", std::move(finalReply))};
        if (routine == Routine::SizedUploadThenPoll)
            scripts.push_back(AnswerHttp(progressComplete));
        return scripts;
    }

    FakeUploadHost host;
    ScriptedEchoProbe probe {silent, {silent}};
    UpgradeTimings timings;

private:
    std::string folder_;
};

TEST_F(UploadRoutinesTest, DeviceReceivesCommandSizeFieldAndFileExactly)
{
    const std::string package = packageBytes(74565);
    for (Routine routine : allRoutines) {
        SCOPED_TRACE(nameOf(routine));
        host = {};
        host.path = writePackage(package);
        // The sized routines read the final reply without judging it.
        ScriptedDevice device(takesWhole(routine, package, sized(routine) ? "@7@" : "@0@"));
        aimAt(device.portText());

        const UploadOutcome outcome = run(routine);
        const std::vector<std::string> received = device.finish();

        EXPECT_TRUE(outcome.succeeded()) << outcome.code;
        ASSERT_FALSE(received.empty());
        EXPECT_TRUE(received[0] == expectedUpload(routine, package)) << "received " << received[0].size() << " bytes";
        EXPECT_EQ(host.shown, followedBy(transferValues(package.size()), {100}));
        EXPECT_EQ(host.markRunningCalls, ownMarks(routine));
    }
}

TEST_F(UploadRoutinesTest, EachChunkMovesTheFirstHalfOfTheBar)
{
    const std::pair<std::size_t, std::vector<int>> cases[] = {{1280, {50}}, {1281, {49, 50}}};
    for (const auto& [length, transfer] : cases) {
        for (Routine routine : allRoutines) {
            SCOPED_TRACE(std::string(nameOf(routine)) + ", " + std::to_string(length) + " bytes");
            host = {};
            const std::string package = packageBytes(length);
            host.path = writePackage(package);
            ScriptedDevice device(takesWhole(routine, package, "@0@"));
            aimAt(device.portText());

            EXPECT_TRUE(run(routine).succeeded());
            EXPECT_EQ(host.shown, followedBy(transfer, {100}));
            EXPECT_EQ(device.finish().at(0), expectedUpload(routine, package));
        }
    }
}

TEST_F(UploadRoutinesTest, PollingAsksTheSameDeviceForItsProgress)
{
    host.path = writePackage(packageBytes(100));
    host.user = "admin";
    host.secret = "pass word";
    ScriptedDevice device({TakeUpload(104, "OK\n", ""), AnswerHttp("HTTP/1.1 200 OK\r\n\r\nprocess=37<br>"),
        AnswerHttp(progressComplete)});
    aimAt(device.portText());

    EXPECT_TRUE(SizedUploadThenPoll(host, timings).succeeded());
    const std::vector<std::string> received = device.finish();
    EXPECT_EQ(host.shown, (std::vector<int> {50, 68, 100}));
    ASSERT_EQ(received.size(), 3u);
    for (std::size_t i = 1; i < received.size(); ++i) {
        EXPECT_TRUE(received[i].starts_with("GET /vb.htm?setuser=admin&upgradeprocess HTTP/1.1\r\n")) << received[i];
        EXPECT_NE(received[i].find("Authorization: Basic " + Base64Encode("admin:pass word") + "\r\n"),
            std::string::npos);
    }
}

TEST_F(UploadRoutinesTest, PollingThatStallsEndsTheRoutineWithACode)
{
    timings.pollLimit = 0ms;
    host.path = writePackage(packageBytes(100));
    ScriptedDevice device({TakeUpload(104, "OK\n", ""), AnswerHttp("HTTP/1.1 404 Not Found\r\n\r\n")});
    aimAt(device.portText());

    const UploadOutcome outcome = SizedUploadThenPoll(host, timings);
    EXPECT_EQ(outcome.code, upload_result::progressStalled);
    EXPECT_EQ(outcome.watch, WatchEnd::Ended);
    EXPECT_EQ(host.shown, (std::vector<int> {50}));
    EXPECT_EQ(device.finish().size(), 2u);
}

TEST_F(UploadRoutinesTest, FileProblemsEndBeforeAnyConnection)
{
    // A refusing port: a routine that tried to connect would report 203.
    RefusingPort nobody;
    const std::string empty = folder() + "/empty.bin";
    std::ofstream(empty, std::ios::binary).flush();
    // Nobody ever writes to it: a routine that opened it blocking would
    // wait for good.
    const std::string fifo = folder() + "/fifo.bin";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Sparse: 4 GiB that cost no disk. Its length does not fit the 32-bit
    // field the upload announces it in.
    const std::string huge = folder() + "/huge.bin";
    std::ofstream(huge, std::ios::binary).flush();
    ASSERT_EQ(::truncate(huge.c_str(), 0x100000000LL), 0);
    const std::pair<std::string, int> cases[] = {
        {folder() + "/missing.bin", upload_result::cannotOpenFile},
        {folder(), upload_result::cannotOpenFile},
        {fifo, upload_result::cannotOpenFile},
        {"/dev/zero", upload_result::cannotOpenFile},
        {empty, upload_result::emptyFile},
        {huge, upload_result::fileTooLarge},
    };
    for (const auto& [path, code] : cases) {
        for (Routine routine : allRoutines) {
            SCOPED_TRACE(std::string(nameOf(routine)) + " " + path);
            host = {};
            host.path = path;
            aimAt(nobody.portText());
            EXPECT_EQ(run(routine).code, code);
            EXPECT_TRUE(host.shown.empty());
            EXPECT_EQ(host.markRunningCalls, ownMarks(routine));
        }
    }
}

TEST_F(UploadRoutinesTest, ConnectionProblemsHaveTheirCodes)
{
    const std::string path = writePackage(packageBytes(3000));
    for (Routine routine : allRoutines) {
        SCOPED_TRACE(nameOf(routine));
        {
            host = {};
            host.path = path;
            RefusingPort nobody;
            aimAt(nobody.portText());
            EXPECT_EQ(run(routine).code, upload_result::cannotConnect);
        }
        {
            host = {};
            host.path = path;
            ScriptedDevice device({HangUpAfterCommand()});
            aimAt(device.portText());
            EXPECT_EQ(run(routine).code, upload_result::noFirstReply);
            EXPECT_EQ(device.finish().at(0), upgradeCommand(3000));
        }
        EXPECT_TRUE(host.shown.empty());
        EXPECT_EQ(probe.firstLooks, 0);
    }
}

TEST_F(UploadRoutinesTest, DeviceThatStopsReadingFailsTheChunk)
{
    // Far more than the socket buffers hold; sparse, so it costs no disk.
    const std::string path = folder() + "/large.bin";
    {
        std::ofstream(path, std::ios::binary).flush();
        std::filesystem::resize_file(path, 64u << 20);
    }
    timings.tcp.send = 200ms;
    for (Routine routine : allRoutines) {
        SCOPED_TRACE(nameOf(routine));
        host = {};
        host.path = path;
        ScriptedDevice device({StopReadingAfterFirstReply("OK\n")}, {.receiveBuffer = 4096});
        aimAt(device.portText());
        EXPECT_EQ(run(routine).code, upload_result::chunkNotSent);
        EXPECT_TRUE(std::ranges::find(host.shown, 50) == host.shown.end());
        EXPECT_TRUE(std::ranges::find(host.shown, 100) == host.shown.end());
    }
}

struct VerdictCase {
    const char* name;
    std::string reply;
    int code;
};

TEST_F(UploadRoutinesTest, UploadThenWatchJudgesTheFinalReply)
{
    const std::string package = packageBytes(2000);
    const VerdictCase cases[] = {
        {"accepted", "@0@", upload_result::success},
        {"device verdict", "ERR @7@\n", 7},
        {"no at sign", "done\n", upload_result::noFinalVerdict},
        {"single at sign", "@5", upload_result::noFinalVerdict},
        {"hangs up without a reply", "", upload_result::noFinalVerdict},
    };
    for (const VerdictCase& c : cases) {
        SCOPED_TRACE(c.name);
        host = {};
        probe = ScriptedEchoProbe(silent, {silent});
        host.path = writePackage(package);
        ScriptedDevice device({TakeUpload(package.size(), "OK\n", c.reply)});
        aimAt(device.portText());

        const UploadOutcome outcome = UploadThenWatch(host, probe, timings);
        EXPECT_EQ(outcome.code, c.code);
        const bool accepted = c.code == upload_result::success;
        EXPECT_EQ(outcome.succeeded(), accepted);
        EXPECT_EQ(probe.firstLooks, accepted ? 1 : 0);
        EXPECT_EQ(host.shown, accepted ? followedBy(transferValues(2000), {100}) : transferValues(2000));
    }
}

struct WatchCase {
    const char* name;
    std::string typeCodeText;
    EchoAnswer first;
    std::vector<EchoAnswer> next;
    std::vector<int> afterTransfer;
};

TEST_F(UploadRoutinesTest, UploadThenWatchWatchesByTheDeviceType)
{
    const std::string package = packageBytes(1280);
    const WatchCase cases[] = {
        {"type 0, answering then silent", "0", answered, {silent}, {52, 100}},
        {"type 300, already back", "300", answered, {silent}, {100}},
        {"type 300, silent then back", "300", silent, {answered}, {53, 100}},
        {"type 42x reads as 42", " 42x", answered, {answered, silent}, {52, 54, 100}},
    };
    for (const WatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        host = {};
        probe = ScriptedEchoProbe(c.first, c.next);
        host.path = writePackage(package);
        ScriptedDevice device(takesWhole(Routine::UploadThenWatch, package, "@0@"));
        aimAt(device.portText());
        host.where.typeCodeText = c.typeCodeText;

        EXPECT_TRUE(UploadThenWatch(host, probe, timings).succeeded());
        EXPECT_EQ(host.shown, followedBy({50}, c.afterTransfer));
        EXPECT_EQ(probe.targets.front(), "127.0.0.1");
    }
}

TEST_F(UploadRoutinesTest, WatchWithoutTheRightToProbeShowsNoCompletion)
{
    const std::string package = packageBytes(1280);
    for (Routine routine : {Routine::UploadThenWatch, Routine::SizedUploadThenWatch}) {
        SCOPED_TRACE(nameOf(routine));
        host = {};
        probe = ScriptedEchoProbe(EchoAnswer::CannotProbe, {});
        host.path = writePackage(package);
        ScriptedDevice device(takesWhole(routine, package, "@0@"));
        aimAt(device.portText());

        const UploadOutcome outcome = run(routine);
        EXPECT_EQ(outcome.code, upload_result::success);
        EXPECT_EQ(outcome.watch, WatchEnd::CannotProbe);
        EXPECT_FALSE(outcome.succeeded());
        EXPECT_EQ(host.shown, (std::vector<int> {50}));
    }
}

TEST_F(UploadRoutinesTest, FileThatShrinksWhileSentEndsTheTransferAtItsEnd)
{
    const std::string package = packageBytes(5000);
    host.path = writePackage(package);
    const std::string path = host.path;
    // The device cuts the file down between taking the command and answering
    // it: the length announced is 5000, the file then holds 1000 bytes.
    ScriptedDevice device({TakeUploadAfter([path] { std::filesystem::resize_file(path, 1000); }, 1000, "OK\n", "@0@")});
    aimAt(device.portText());

    const UploadOutcome outcome = UploadThenWatch(host, probe, timings);
    EXPECT_EQ(outcome.code, upload_result::success);
    EXPECT_EQ(device.finish().at(0), upgradeCommand(5000) + package.substr(0, 1000));
    EXPECT_EQ(host.shown, (std::vector<int> {10, 100}));
}

// Chunks go to the socket 200 at a time (256,000 bytes a send).
constexpr std::size_t bytesPerSend = 200 * 1280;

TEST_F(UploadRoutinesTest, CancelStopsTheSizedTransferAtTheNextSend)
{
    const std::string package = packageBytes(3 * bytesPerSend);
    for (Routine routine : {Routine::SizedUploadThenPoll, Routine::SizedUploadThenWatch}) {
        SCOPED_TRACE(nameOf(routine));
        host = {};
        host.path = writePackage(package);
        host.onProgress = [this](int) { host.cancelToken->cancel(); };
        // The device would answer every poll with completion.
        ScriptedDevice device(takesWhole(routine, package, "@0@"));
        aimAt(device.portText());

        const UploadOutcome outcome = run(routine);
        EXPECT_EQ(outcome.watch, WatchEnd::Cancelled);
        EXPECT_EQ(outcome.code,
            routine == Routine::SizedUploadThenPoll ? upload_result::progressStalled : upload_result::success);
        ASSERT_FALSE(host.shown.empty());
        EXPECT_EQ(host.shown.back(), 16) << "the chunks already sent are shown";
        const std::vector<std::string> received = device.finish();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0],
            upgradeCommand(package.size()) + sizeField(package.size()) + package.substr(0, bytesPerSend));
    }
}

TEST_F(UploadRoutinesTest, CancelCutsUploadThenWatchOffItsDevice)
{
    const std::string package = packageBytes(3 * bytesPerSend);
    host.path = writePackage(package);
    host.onProgress = [this](int) { host.cancelToken->cancel(); };
    ScriptedDevice device(takesWhole(Routine::UploadThenWatch, package, "@0@"));
    aimAt(device.portText());

    EXPECT_EQ(UploadThenWatch(host, probe, timings).code, upload_result::chunkNotSent);
    ASSERT_FALSE(host.shown.empty());
    EXPECT_EQ(host.shown.back(), 16);
    EXPECT_EQ(probe.firstLooks, 0);
}

} // namespace
} // namespace lorvena
