// Sends our WS-Discovery Probe to the discovery group from one local address
// and prints what our reader makes of each answer, so that a lab script can
// check both against a third-party WS-Discovery peer. That peer answers only
// Probes for its own device type, so the Types element is the one thing
// changed from the message the library sends.
//
// Usage: lorvena-wsd-peer-probe LOCAL-ADDRESS [WAIT-MILLISECONDS]
// Output: "sent <MessageID>", then per match
//         "match <endpoint> types=<t1,t2> xaddrs=<a1,a2>", then "done".
// Only for lab namespaces: it sends multicast.

#include "platform/UniqueFd.h"
#include "sdk/onvif/OnvifNamespaces.h"
#include "sdk/onvif/WsDiscoveryMessages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace lorvena;
using namespace lorvena::onvif;

std::string joined(const std::vector<std::string>& parts)
{
    std::string result;
    for (const std::string& part : parts)
        result += (result.empty() ? "" : ",") + part;
    return result;
}

std::string peerProbe(const std::string& messageId)
{
    std::string probe = BuildProbe(ProbeType::Device, messageId);
    const std::string ours = "<d:Types>tds:Device</d:Types>";
    const std::string theirs =
        "<d:Types xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\">wsdp:Device</d:Types>";
    probe.replace(probe.find(ours), ours.size(), theirs);
    return probe;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: lorvena-wsd-peer-probe LOCAL-ADDRESS [WAIT-MILLISECONDS]\n";
        return 2;
    }
    in_addr local {};
    if (inet_pton(AF_INET, argv[1], &local) != 1) {
        std::cerr << "not an IPv4 address: " << argv[1] << "\n";
        return 2;
    }
    const int waitMilliseconds = argc > 2 ? std::stoi(argv[2]) : 3000;

    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in bound {};
    bound.sin_family = AF_INET;
    bound.sin_addr = local;
    if (!socket || bind(socket.get(), reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0
        || setsockopt(socket.get(), IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0) {
        std::cerr << "cannot open a socket on " << argv[1] << "\n";
        return 1;
    }
    sockaddr_in group {};
    group.sin_family = AF_INET;
    group.sin_port = htons(ns::discoveryPort);
    inet_pton(AF_INET, ns::discoveryGroup, &group.sin_addr);

    const std::string messageId = NewMessageId();
    const std::string probe = peerProbe(messageId);
    if (sendto(socket.get(), probe.data(), probe.size(), 0, reinterpret_cast<sockaddr*>(&group), sizeof group) < 0) {
        std::cerr << "cannot send the probe\n";
        return 1;
    }
    std::cout << "sent " << messageId << std::endl;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    std::vector<char> buffer(65536);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry {socket.get(), POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            continue;
        ssize_t count = recv(socket.get(), buffer.data(), buffer.size(), 0);
        if (count <= 0)
            continue;
        for (const ProbeMatch& match : ParseProbeMatches(std::string_view(buffer.data(), static_cast<std::size_t>(count))))
            std::cout << "match " << match.endpoint << " types=" << joined(match.types) << " xaddrs="
                      << joined(match.xaddrs) << std::endl;
    }
    std::cout << "done" << std::endl;
    return 0;
}
