#pragma once

#include "sdk/onvif/OnvifAccess.h"
#include "sdk/onvif/OnvifSettings.h"
#include "sdk/onvif/SweepWindow.h"
#include "sdk/onvif/WsDiscoveryMessages.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace lorvena::onvif {

enum class SweepMode { MulticastOnly, AlsoSubnetHosts };

// One search: Probes to the discovery group from every local IPv4 address
// (repeated with the SOAP-over-UDP delays), in the mask mode also to every
// host of the local subnets; each device answering is reported once (by its
// endpoint identity) with what it tells without credentials, then the null
// record ends the search. Runs on a thread of its own plus a few workers that
// ask the devices while further answers arrive.
class DiscoverySearch {
public:
    DiscoverySearch(SweepMode sweep, OnvifSearchRoutine routine, void* user, OnvifSettings settings);
    // Waits for the threads; stop() first makes that quick.
    ~DiscoverySearch();
    DiscoverySearch(const DiscoverySearch&) = delete;
    DiscoverySearch& operator=(const DiscoverySearch&) = delete;

    bool start();
    // Once this returns the routine is not called again. Callable from the
    // routine itself.
    void stop();
    bool finished() const { return finished_.load(); }

private:
    struct Sender {
        UniqueFd socket;
        std::uint32_t address = 0; // 0: a sweep socket, routed by the kernel
    };
    struct Found {
        ProbeMatch match;
        std::uint32_t source = 0;
    };

    void run();
    void openSenders();
    // False when the socket's send buffer is full: the kernel holds probes
    // to hosts whose address it is still resolving, and drops further sends.
    bool sendProbes(int socket, std::uint32_t destination);
    void sendRound();
    void sendSweepBatch(std::chrono::steady_clock::time_point now);
    void receiveFrom(int socket);
    void accept(const ProbeMatch& match, std::uint32_t source);
    void describeLoop();
    // Whether the search is still within its wait.
    bool collecting();
    void report(const OnvifDeviceRecord* record);
    void joinWorkers();

    SweepMode sweep_;
    OnvifSearchRoutine routine_;
    void* user_;
    OnvifSettings settings_;
    std::string messageIds_[2];

    std::vector<Sender> senders_;
    std::vector<std::uint32_t> sweepTargets_;
    std::size_t sweepNext_ = 0;
    std::size_t sweepSocket_ = 0; // the sweep socket to try first
    SweepWindow sweepWindow_;
    std::chrono::steady_clock::time_point lastSweepSend_ {};
    UniqueFd wake_;
    std::vector<std::uint8_t> buffer_;

    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<Found> queue_;
    std::unordered_set<std::string> seen_;
    bool collecting_ = true;
    bool endpointsCapped_ = false;
    std::vector<std::thread> workers_;

    std::recursive_mutex routineMutex_;
    std::atomic<bool> stopped_ {false};
    std::atomic<bool> finished_ {false};
    std::thread thread_;
};

} // namespace lorvena::onvif
