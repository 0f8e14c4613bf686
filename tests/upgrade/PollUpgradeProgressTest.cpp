#include "upgrade/UploadRoutines.h"

#include "net/Base64.h"
#include "upgrade/FakeUploadHost.h"
#include "upgrade/ScriptedDevice.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lorvena {
namespace {

using namespace std::chrono_literals;
using testing_support::AnswerHttp;
using testing_support::FakeUploadHost;
using testing_support::RefusingPort;
using testing_support::ScriptedDevice;

std::string progressPage(std::string_view figure)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html>process=" + std::string(figure) + "<br></html>";
}

class PollUpgradeProgressTest : public ::testing::Test {
protected:
    PollUpgradeProgressTest()
    {
        timings.http.connectTimeout = 2s;
        timings.http.receiveTimeout = 5s;
        timings.pollInterval = 0ms;
        timings.pollLimit = 10s;
    }

    bool poll(const std::string& portText)
    {
        host.where = {"127.0.0.1", portText, "1000"};
        return PollUpgradeProgress(host, timings);
    }

    FakeUploadHost host;
    UpgradeTimings timings;
};

TEST_F(PollUpgradeProgressTest, MapsTheDeviceFigureUntilItReportsCompletion)
{
    host.user = "admin";
    host.secret = "12345";
    ScriptedDevice device({AnswerHttp(progressPage("37")), AnswerHttp(progressPage("37.9")),
        AnswerHttp(progressPage("-3")), AnswerHttp(progressPage("100"))});

    EXPECT_TRUE(poll(device.portText()));
    EXPECT_EQ(host.shown, (std::vector<int> {68, 68, 49, 100}));
    const std::vector<std::string> requests = device.finish();
    ASSERT_EQ(requests.size(), 4u);
    for (const std::string& request : requests) {
        EXPECT_TRUE(request.starts_with("GET /vb.htm?setuser=admin&upgradeprocess HTTP/1.1\r\n")) << request;
        EXPECT_NE(request.find("Authorization: Basic " + Base64Encode("admin:12345") + "\r\n"), std::string::npos);
    }
}

TEST_F(PollUpgradeProgressTest, AnswersOtherThanOkAreAskedAgain)
{
    ScriptedDevice device({AnswerHttp("HTTP/1.1 401 Unauthorized\r\n\r\nprocess=90<br>"), AnswerHttp(""),
        AnswerHttp(progressPage("101"))});
    EXPECT_TRUE(poll(device.portText()));
    EXPECT_EQ(host.shown, (std::vector<int> {100}));
    EXPECT_EQ(device.finish().size(), 3u);
}

TEST_F(PollUpgradeProgressTest, GivesUpWhenTheFigureStopsMoving)
{
    timings.pollLimit = 50ms;
    ScriptedDevice device({AnswerHttp(progressPage("20")), AnswerHttp(progressPage("37"))}, {.repeatLast = true});
    EXPECT_FALSE(poll(device.portText()));
    ASSERT_GE(host.shown.size(), 2u);
    EXPECT_EQ(host.shown[0], 60);
    EXPECT_TRUE(std::all_of(host.shown.begin() + 1, host.shown.end(), [](int value) { return value == 68; }));
}

TEST_F(PollUpgradeProgressTest, AFigureBeyondCompletionNeverEndsThePolling)
{
    timings.pollLimit = 20ms;
    ScriptedDevice device({AnswerHttp(progressPage("102"))}, {.repeatLast = true});
    EXPECT_FALSE(poll(device.portText()));
    ASSERT_FALSE(host.shown.empty());
    EXPECT_TRUE(std::all_of(host.shown.begin(), host.shown.end(), [](int value) { return value == 101; }));
}

TEST_F(PollUpgradeProgressTest, GivesUpOnADeviceThatNeverAnswers)
{
    timings.pollLimit = 20ms;
    RefusingPort nobody;
    EXPECT_FALSE(poll(nobody.portText()));
    EXPECT_TRUE(host.shown.empty());
}

TEST_F(PollUpgradeProgressTest, CancelEndsThePolling)
{
    ScriptedDevice device({AnswerHttp(progressPage("37"))}, {.repeatLast = true});
    host.onProgress = [this](int) { host.cancelToken->cancel(); };
    EXPECT_FALSE(poll(device.portText()));
    EXPECT_EQ(host.shown, (std::vector<int> {68}));
    EXPECT_EQ(device.finish().size(), 1u);
}

} // namespace
} // namespace lorvena
