// The simulated device's service answering the library's own requests,
// without sockets: what needs credentials, what a Set changes, and that every
// hostile answer is one the library refuses.

#include "onvif/DeviceService.h"
#include "sdk/onvif/DeviceClient.h"
#include "sdk/onvif/DeviceReplies.h"
#include "sdk/onvif/DeviceRequests.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvena::onvif;
namespace sim = lorvena::devsim::onvif;
using namespace std::chrono_literals;

sim::OnvifDeviceConfig camera()
{
    sim::OnvifDeviceConfig config;
    config.address = "127.0.0.11";
    config.httpPort = 8080;
    config.gateway = "127.0.0.1";
    config.dns = "127.0.0.53";
    config.password = "s3cret";
    config.clockOffset = 3h;
    return config;
}

struct Exchange {
    sim::ServiceReply reply;
    CallOutcome outcome;
};

Exchange ask(const sim::OnvifDeviceConfig& config, sim::OnvifDeviceState& state, DeviceAction action,
    const std::string& body, const char* password, std::chrono::seconds offset)
{
    std::optional<UsernameToken> token;
    if (password)
        token = MakeUsernameToken("admin", password, offset);
    std::string request = Envelope(body.empty() ? RequestBody(action) : body, token ? &*token : nullptr);
    sim::ServiceReply reply = sim::AnswerRequest(request, config, state, std::chrono::system_clock::now());
    return {reply, ClassifyAnswer(reply.status, reply.body)};
}

TEST(DeviceService, AsksForCredentialsWhereDevicesDo)
{
    const struct {
        const char* name;
        DeviceAction action;
        bool anonymousReads;
        const char* password;
        std::chrono::seconds offset;
        sim::ServiceOutcome outcome;
        CallOutcome seenByLibrary;
    } cases[] = {
        {"clock without credentials", DeviceAction::GetSystemDateAndTime, false, nullptr, 0s,
            sim::ServiceOutcome::Ok, CallOutcome::Ok},
        {"interfaces without credentials", DeviceAction::GetNetworkInterfaces, false, nullptr, 0s,
            sim::ServiceOutcome::AuthFailed, CallOutcome::Refused},
        {"interfaces, device reads out to anyone", DeviceAction::GetNetworkInterfaces, true, nullptr, 0s,
            sim::ServiceOutcome::Ok, CallOutcome::Ok},
        {"reboot never without credentials", DeviceAction::SystemReboot, true, nullptr, 0s,
            sim::ServiceOutcome::AuthFailed, CallOutcome::Refused},
        {"signed in the device's clock", DeviceAction::GetDNS, false, "s3cret", 3h, sim::ServiceOutcome::Ok,
            CallOutcome::Ok},
        {"signed in our clock", DeviceAction::GetDNS, false, "s3cret", 0s, sim::ServiceOutcome::AuthFailed,
            CallOutcome::Refused},
        {"wrong password", DeviceAction::GetDNS, false, "secret", 3h, sim::ServiceOutcome::AuthFailed,
            CallOutcome::Refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::OnvifDeviceConfig config = camera();
        config.anonymousReads = c.anonymousReads;
        sim::OnvifDeviceState state = sim::InitialState(config);
        Exchange exchange = ask(config, state, c.action, "", c.password, c.offset);
        EXPECT_EQ(exchange.reply.action, ActionName(c.action));
        EXPECT_EQ(exchange.reply.outcome, c.outcome);
        EXPECT_EQ(exchange.outcome, c.seenByLibrary);
        EXPECT_EQ(state.reboots, 0u);
    }
}

TEST(DeviceService, AnswersTheLibraryReadsItUnderstands)
{
    sim::OnvifDeviceConfig config = camera();
    sim::OnvifDeviceState state = sim::InitialState(config);

    Exchange clock = ask(config, state, DeviceAction::GetSystemDateAndTime, "", nullptr, 0s);
    auto deviceTime = ParseSystemDateAndTime(clock.reply.body);
    ASSERT_TRUE(deviceTime);
    EXPECT_LT(std::chrono::abs(*deviceTime - (std::chrono::system_clock::now() + 3h)), 1min);

    auto interfaces = ParseNetworkInterfaces(ask(config, state, DeviceAction::GetNetworkInterfaces, "", "s3cret", 3h).reply.body);
    ASSERT_TRUE(interfaces);
    EXPECT_EQ(interfaces->token, "eth0");
    EXPECT_EQ(interfaces->address, "127.0.0.11");
    EXPECT_EQ(interfaces->prefixLength, 24);
    EXPECT_EQ(NormalizeMac(interfaces->hardwareAddress), "024F4E000001");
    EXPECT_EQ(ParseDns(ask(config, state, DeviceAction::GetDNS, "", "s3cret", 3h).reply.body), "127.0.0.53");
    EXPECT_EQ(ParseDefaultGateway(ask(config, state, DeviceAction::GetNetworkDefaultGateway, "", "s3cret", 3h).reply.body),
        "127.0.0.1");
    auto information = ParseDeviceInformation(ask(config, state, DeviceAction::GetDeviceInformation, "", "s3cret", 3h).reply.body);
    ASSERT_TRUE(information);
    EXPECT_EQ(information->model, "SIM-ONVIF");
}

TEST(DeviceService, SetOperationsChangeTheStateAndTakeEffectAtTheReboot)
{
    sim::OnvifDeviceConfig config = camera();
    sim::OnvifDeviceState state = sim::InitialState(config);

    InterfaceChange change {"eth0", false, "127.0.0.45", 16};
    Exchange interfaces = ask(config, state, DeviceAction::SetNetworkInterfaces, SetNetworkInterfacesBody(change),
        "s3cret", 3h);
    EXPECT_EQ(ParseRebootNeeded(interfaces.reply.body), true);
    EXPECT_TRUE(interfaces.reply.configured);
    EXPECT_FALSE(interfaces.reply.applyNow);
    EXPECT_EQ(state.address, "127.0.0.45");
    EXPECT_EQ(state.prefixLength, 16);
    EXPECT_EQ(state.servingAddress, "127.0.0.11") << "not before the reboot";

    EXPECT_EQ(ask(config, state, DeviceAction::SetNetworkDefaultGateway, SetNetworkDefaultGatewayBody("127.0.0.254"),
                  "s3cret", 3h).outcome,
        CallOutcome::Ok);
    EXPECT_EQ(state.gateway, "127.0.0.254");
    EXPECT_EQ(ask(config, state, DeviceAction::SetNetworkProtocols, SetNetworkProtocolsBody(8081), "s3cret", 3h).outcome,
        CallOutcome::Ok);
    EXPECT_EQ(state.httpPort, 8081);

    Exchange reboot = ask(config, state, DeviceAction::SystemReboot, "", "s3cret", 3h);
    EXPECT_EQ(reboot.outcome, CallOutcome::Ok);
    EXPECT_TRUE(reboot.reply.applyNow);
    EXPECT_EQ(state.reboots, 1u);

    // A bad token or address is a fault and changes nothing.
    InterfaceChange wrongToken {"eth9", false, "127.0.0.46", 24};
    EXPECT_EQ(ask(config, state, DeviceAction::SetNetworkInterfaces, SetNetworkInterfacesBody(wrongToken), "s3cret", 3h)
                  .outcome,
        CallOutcome::Fault);
    InterfaceChange badAddress {"eth0", false, "127.0.0.300", 24};
    EXPECT_EQ(ask(config, state, DeviceAction::SetNetworkInterfaces, SetNetworkInterfacesBody(badAddress), "s3cret", 3h)
                  .outcome,
        CallOutcome::Fault);
    EXPECT_EQ(state.address, "127.0.0.45");

    InterfaceChange dhcp {"eth0", true, "", 24};
    ask(config, state, DeviceAction::SetNetworkInterfaces, SetNetworkInterfacesBody(dhcp), "s3cret", 3h);
    EXPECT_TRUE(state.dhcp);
    EXPECT_EQ(state.address, "127.0.0.45") << "a DHCP server in the lab hands the same address out";
}

TEST(DeviceService, EveryHostileAnswerIsRefusedByTheLibrary)
{
    for (auto mode : {sim::HostileMode::HugeReply, sim::HostileMode::MalformedXml, sim::HostileMode::Doctype}) {
        SCOPED_TRACE(static_cast<int>(mode));
        sim::OnvifDeviceConfig config = camera();
        config.hostile = mode;
        sim::OnvifDeviceState state = sim::InitialState(config);
        for (DeviceAction action : {DeviceAction::GetSystemDateAndTime, DeviceAction::GetNetworkInterfaces}) {
            Exchange exchange = ask(config, state, action, "", "s3cret", 3h);
            EXPECT_EQ(exchange.reply.outcome, sim::ServiceOutcome::Hostile);
            EXPECT_EQ(exchange.outcome, CallOutcome::BadReply);
        }
    }
}

TEST(DeviceService, UnreadableRequestsAreFaults)
{
    sim::OnvifDeviceConfig config = camera();
    sim::OnvifDeviceState state = sim::InitialState(config);
    for (const char* request : {"", "<a>", "<!DOCTYPE a><a/>",
             "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body/></s:Envelope>"}) {
        sim::ServiceReply reply = sim::AnswerRequest(request, config, state, std::chrono::system_clock::now());
        EXPECT_EQ(reply.outcome, sim::ServiceOutcome::Fault) << request;
        EXPECT_EQ(reply.status, 400);
    }
}

} // namespace
