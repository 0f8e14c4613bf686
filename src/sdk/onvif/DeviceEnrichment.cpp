#include "sdk/onvif/DeviceEnrichment.h"

#include "sdk/onvif/DeviceClient.h"
#include "sdk/onvif/DeviceReplies.h"
#include "sdk/onvif/NeighbourTable.h"

#include <algorithm>
#include <chrono>

namespace lorvena::onvif {

namespace {

using Clock = std::chrono::steady_clock;

// Calls within what is left of the budget; Cancelled-like NoAnswer once it
// is spent.
class BudgetedClient {
public:
    BudgetedClient(const SoapEndpoint& endpoint, const OnvifSettings& settings, const std::atomic<bool>* cancel)
        : endpoint_(endpoint)
        , limits_(settings.searchRequest)
        , deadline_(Clock::now() + settings.searchRequestBudget)
        , cancel_(cancel)
    {
    }

    CallResult call(DeviceAction action)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
        if (left.count() <= 0) {
            CallResult spent;
            spent.outcome = CallOutcome::NoAnswer;
            return spent;
        }
        RequestTimings timings {std::min(limits_.connect, left), std::min(limits_.reply, left)};
        DeviceClient client(endpoint_, timings, cancel_);
        return client.call(action);
    }

private:
    SoapEndpoint endpoint_;
    RequestTimings limits_;
    Clock::time_point deadline_;
    const std::atomic<bool>* cancel_;
};

bool worthGoingOn(CallOutcome outcome)
{
    return outcome != CallOutcome::Unreachable && outcome != CallOutcome::NoAnswer
        && outcome != CallOutcome::Cancelled;
}

} // namespace

namespace {

DiscoveredDevice fromAnswer(const ProbeMatch& match, const ServiceAddress& service)
{
    DiscoveredDevice device;
    device.address = service.address;
    device.port = service.port;
    device.typeCode = TypeCodeFor(match.types);
    device.name = NameFromScopes(match.scopes);
    return device;
}

// The neighbour table's MAC of the device, else the one it described.
void fillMac(DiscoveredDevice& device, std::uint32_t sourceAddress, const std::string& hardwareAddress)
{
    device.mac = NeighbourMac(device.address);
    if (device.mac.empty() && sourceAddress != device.address)
        device.mac = NeighbourMac(sourceAddress);
    if (device.mac.empty())
        device.mac = NormalizeMac(hardwareAddress);
}

} // namespace

DiscoveredDevice DeviceFromAnswer(const ProbeMatch& match, std::uint32_t sourceAddress)
{
    ServiceAddress service = ChooseServiceAddress(match, sourceAddress);
    KnownServicePaths().remember(service.address, service.port, service.path);
    DiscoveredDevice device = fromAnswer(match, service);
    fillMac(device, sourceAddress, {});
    return device;
}

DiscoveredDevice DescribeDevice(const ProbeMatch& match, std::uint32_t sourceAddress,
    const OnvifSettings& settings, const std::atomic<bool>* cancel)
{
    ServiceAddress service = ChooseServiceAddress(match, sourceAddress);
    KnownServicePaths().remember(service.address, service.port, service.path);

    DiscoveredDevice device = fromAnswer(match, service);

    BudgetedClient client({service.address, service.port, service.path}, settings, cancel);
    std::string hardwareAddress;
    CallResult interfaces = client.call(DeviceAction::GetNetworkInterfaces);
    if (interfaces.outcome == CallOutcome::Ok) {
        if (auto info = ParseNetworkInterfaces(interfaces.body)) {
            device.mask = MaskFromPrefix(info->prefixLength);
            device.dhcp = info->dhcp;
            hardwareAddress = info->hardwareAddress;
        }
        // The device reads its settings out to anyone: the rest too.
        CallResult dns = client.call(DeviceAction::GetDNS);
        if (dns.outcome == CallOutcome::Ok)
            device.dns = ParseDns(dns.body).value_or("");
        CallResult gateway = client.call(DeviceAction::GetNetworkDefaultGateway);
        if (gateway.outcome == CallOutcome::Ok)
            device.gateway = ParseDefaultGateway(gateway.body).value_or("");
    }
    if (device.name.empty() && worthGoingOn(interfaces.outcome)) {
        CallResult information = client.call(DeviceAction::GetDeviceInformation);
        if (information.outcome == CallOutcome::Ok) {
            if (auto info = ParseDeviceInformation(information.body))
                device.name = !info->model.empty() ? info->model : info->manufacturer;
        }
    }

    // Read after the requests above: by now the kernel has resolved the
    // device's link-layer address if it is on our link at all.
    fillMac(device, sourceAddress, hardwareAddress);
    return device;
}

} // namespace lorvena::onvif
