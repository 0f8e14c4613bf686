// lorvena-devsim: simulated network video devices for tests and the lab.
// See README.md beside this file.

#include "devsim/CommandLine.h"
#include "devsim/DeviceFile.h"
#include "devsim/DeviceGenerator.h"
#include "devsim/Ipv4Text.h"
#include "devsim/ModifyRequest.h"
#include "devsim/ModifySender.h"
#include "devsim/OnvifDeviceFile.h"
#include "devsim/OnvifDeviceHost.h"
#include "devsim/SearchSender.h"
#include "devsim/Simulator.h"
#include "platform/LocalAddresses.h"

#include <signal.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <set>

using namespace lorvena;
using namespace lorvena::devsim;

namespace {

bool loadOnvifDevices(const DevsimCommand& command, std::vector<onvif::OnvifDeviceConfig>& devices)
{
    for (const std::string& path : command.onvifDeviceFiles) {
        OnvifDeviceFileResult file = OnvifDeviceFile::load(path);
        if (!file.ok()) {
            std::cerr << "lorvena-devsim: " << file.error << '\n';
            return false;
        }
        devices.insert(devices.end(), file.devices.begin(), file.devices.end());
    }
    return true;
}

bool loadDevices(const DevsimCommand& command, std::vector<SimulatedDevice>& devices)
{
    for (const std::string& path : command.deviceFiles) {
        DeviceFileResult file = DeviceFile::load(path);
        if (!file.ok()) {
            std::cerr << "lorvena-devsim: " << file.error << '\n';
            return false;
        }
        devices.insert(devices.end(), file.devices.begin(), file.devices.end());
    }
    if (command.generateCount > 0) {
        GeneratedDevices generated = DeviceGenerator::generate(command.generateCount, command.firstIp);
        if (!generated.error.empty()) {
            std::cerr << "lorvena-devsim: " << generated.error << '\n';
            return false;
        }
        devices.insert(devices.end(), generated.devices.begin(), generated.devices.end());
    }
    return true;
}

int printAddresses(const std::vector<SimulatedDevice>& devices, const std::vector<onvif::OnvifDeviceConfig>& onvifDevices)
{
    std::set<std::uint32_t> seen;
    for (const SimulatedDevice& device : devices) {
        if (seen.insert(device.ip).second)
            std::cout << dottedAddress(device.ip) << '\n';
    }
    for (const onvif::OnvifDeviceConfig& device : onvifDevices) {
        std::optional<std::uint32_t> address = parseIpv4(device.address);
        if (address && seen.insert(*address).second)
            std::cout << device.address << '\n';
    }
    return 0;
}

int sendSearch(const SearchProbe& probe)
{
    std::vector<ReceivedDatagram> received;
    std::string error;
    if (!SearchSender::run(probe, received, error)) {
        std::cerr << "lorvena-devsim: " << error << '\n';
        return 1;
    }
    for (const ReceivedDatagram& datagram : received)
        std::cout << SearchSender::describe(datagram) << '\n';
    std::cout << "received " << received.size() << '\n';
    return 0;
}

int sendModify(const SearchProbe& where, const ModifyProbe& modify)
{
    std::optional<ReceivedDatagram> reply;
    std::string error;
    if (!ModifySender::run(where, modify, reply, error)) {
        std::cerr << "lorvena-devsim: " << error << '\n';
        return 1;
    }
    std::cout << "sent " << generationName(modify.generation) << "-modify for " << modify.current << '\n';
    if (modify.generation == Generation::Extended) {
        if (reply && reply->bytes.size() > ExtendedModifyReplyLayout::status)
            std::cout << "status " << int {reply->bytes[ExtendedModifyReplyLayout::status]} << '\n';
        else
            std::cout << "no reply\n";
    }
    return 0;
}

int serve(std::vector<SimulatedDevice> devices, std::vector<onvif::OnvifDeviceConfig> onvifDevices,
    const SimulatorOptions& options)
{
    // Blocked before the simulator's thread starts, so that thread inherits
    // the mask and the signals are taken only by sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::size_t deviceCount = devices.size();
    Simulator simulator(std::move(devices), options);
    std::string error;
    if (!simulator.start(error)) {
        std::cerr << "lorvena-devsim: " << error << '\n';
        return 1;
    }
    // The ONVIF devices share the request log and the namespace's aliases.
    std::optional<OnvifDeviceHost> onvif;
    if (!onvifDevices.empty()) {
        OnvifHostOptions onvifOptions;
        onvifOptions.logPath = options.logPath;
        onvifOptions.addressInUse = [&simulator](std::uint32_t address) {
            for (const SimulatedDevice& device : simulator.devices()) {
                if (device.ip == address)
                    return true;
            }
            return false;
        };
        onvif.emplace(std::move(onvifDevices), std::move(onvifOptions));
        if (!onvif->start(error)) {
            std::cerr << "lorvena-devsim: ONVIF devices: " << error << '\n';
            return 1;
        }
    }
    std::cout << "lorvena-devsim ready: " << deviceCount << " devices on " << options.bindAddress << ':'
              << simulator.port() << ", " << simulator.ownReplySockets() << " reply sockets of their own, "
              << simulator.webServers() << " web servers, " << simulator.videoServers() << " video servers, "
              << (onvif ? onvif->deviceCount() : 0) << " ONVIF devices (" << (onvif ? onvif->listeningServices() : 0)
              << " serving)" << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    if (onvif)
        onvif->stop();
    simulator.stop();
    RequestCounts counts = simulator.counts();
    std::cerr << "lorvena-devsim: stopped; requests old " << counts.oldSearch << ", basic " << counts.basicSearch
              << ", extended " << counts.extendedSearch << ", old-modify " << counts.oldModify << ", basic-modify "
              << counts.basicModify << ", extended-modify " << counts.extendedModify << ", unknown " << counts.unknown
              << "; datagrams sent " << counts.datagramsSent << "; changes " << counts.changesApplied
              << "; http requests " << counts.httpRequests << "; uploads " << counts.uploads
              << "; video-server updates " << counts.videoServerUpdates << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ParsedCommandLine parsed = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "lorvena-devsim: " << parsed.error << "\n\n" << CommandLine::usage();
        return 2;
    }
    const DevsimCommand& command = parsed.command;
    switch (command.mode) {
    case DevsimMode::Help:
        std::cout << CommandLine::usage();
        return 0;
    case DevsimMode::SendSearch:
        return sendSearch(command.probe);
    case DevsimMode::SendModify:
        return sendModify(command.probe, command.modify);
    case DevsimMode::PrintAddresses:
    case DevsimMode::Serve:
        break;
    }

    std::vector<SimulatedDevice> devices;
    std::vector<onvif::OnvifDeviceConfig> onvifDevices;
    if (!loadDevices(command, devices) || !loadOnvifDevices(command, onvifDevices))
        return 2;
    if (command.mode == DevsimMode::PrintAddresses)
        return printAddresses(devices, onvifDevices);
    return serve(std::move(devices), std::move(onvifDevices), command.simulator);
}
