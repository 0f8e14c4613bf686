// What arrives on a simulated device's HTTP port, taken as WebServers takes
// it: the bytes gather (under the request cap) until they are an upgrade
// command, then the upload receiver takes the stream; otherwise the request
// head is answered by the responder.
//
// Input: one byte picks the device's behaviour, one the piece size in which
// the stream arrives (0: one piece), the rest is the stream.
#include "FuzzCheck.h"

#include "devsim/HttpResponder.h"
#include "devsim/UpgradeReceiver.h"
#include "devsim/WebServers.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

using namespace lorvena::devsim;

namespace {

SimulatedDevice deviceFor(std::uint8_t choice)
{
    SimulatedDevice device;
    device.password = (choice & 1) ? "hasło" : "admin";
    device.encoding = (choice & 2) ? TextEncoding::Windows1250 : TextEncoding::Utf8;
    device.http = (choice & 4) ? HttpMode::RefuseFirst : HttpMode::Normal;
    device.upgrade.sized = (choice & 8) != 0;
    const FinalReplyKind finals[] = {FinalReplyKind::Code, FinalReplyKind::None, FinalReplyKind::NoAt};
    device.upgrade.finalReply = {finals[(choice >> 4) % 3], 5};
    const UpgradeHostility hostilities[] = {UpgradeHostility::None, UpgradeHostility::CloseAfterCommand,
        UpgradeHostility::StopReading, UpgradeHostility::Never100};
    device.upgrade.hostile = hostilities[(choice >> 6) % 4];
    return device;
}

void upload(const SimulatedDevice& device, std::string_view start, std::string_view rest, std::size_t piece)
{
    UpgradeReceiver receiver(device.upgrade);
    std::size_t recorded = 0;
    auto take = [&](std::string_view bytes) {
        UpgradeReceiver::Step step = receiver.take(bytes);
        recorded += step.recorded.size();
        return step.then == UpgradeReceiver::Then::Read && !step.badCommand;
    };
    bool reading = take(start);
    for (std::size_t at = 0; reading && at < rest.size(); at += piece)
        reading = take(rest.substr(at, std::min(piece, rest.size() - at)));
    FUZZ_CHECK(recorded <= start.size() + rest.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const SimulatedDevice device = deviceFor(data[0]);
    std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t piece = data[1] == 0 ? stream.size() + 1 : data[1];

    (void)UpgradeCommand::parse(stream);

    std::string received;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        const std::string_view bytes = stream.substr(at, std::min(piece, stream.size() - at));
        const std::size_t room = WebServers::maxRequestBytes - received.size();
        received.append(bytes.substr(0, std::min(bytes.size(), room)));
        switch (UpgradeCommand::classify(received)) {
        case UpgradeCommand::Kind::Undecided:
            continue;
        case UpgradeCommand::Kind::Upload:
            upload(device, received, stream.substr(std::min(stream.size(), at + bytes.size())), piece);
            return 0;
        case UpgradeCommand::Kind::Other:
            break;
        }
        const std::size_t end = received.find("\r\n\r\n");
        if (end != std::string::npos) {
            const HttpAnswer answer = HttpResponder::answer(std::string_view(received).substr(0, end + 4), device, 42);
            FUZZ_CHECK(answer.status == 0 || answer.bytes.starts_with("HTTP/1."));
            return 0;
        }
        if (received.size() >= WebServers::maxRequestBytes) {
            (void)HttpResponder::tooLarge(received, device);
            return 0;
        }
    }
    return 0;
}
