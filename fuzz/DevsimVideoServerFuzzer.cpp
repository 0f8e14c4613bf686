// What a client sends to a simulated device's video-server port: frames
// (and an update's package) as the session takes them, in pieces.
//
// Input: one byte picks the device's behaviour, one the piece size (0: one
// piece), the rest is the stream.
#include "FuzzCheck.h"

#include "devsim/VideoServerSession.h"
#include "devsim/VideoServerWire.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace lorvena::devsim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    SimulatedDevice device;
    device.password = (data[0] & 1) ? "hasło" : "admin";
    device.encoding = (data[0] & 2) ? TextEncoding::Windows1250 : TextEncoding::Utf8;
    device.name = "Kamera ą";
    device.firmware = "V1.0";
    device.videoServer.enabled = true;
    const VideoServerHostility hostilities[] = {VideoServerHostility::None, VideoServerHostility::RefuseLogin,
        VideoServerHostility::CloseMidTransfer, VideoServerHostility::ErrorAtEnd};
    device.videoServer.hostile = hostilities[(data[0] >> 2) % 4];

    const std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t piece = data[1] == 0 ? stream.size() + 1 : data[1];

    const VideoFrame first = VideoFrame::read(stream);
    if (first.status == VideoFrame::Status::Complete)
        FUZZ_CHECK(first.size <= stream.size() && first.payload.size() <= VideoFrame::maxPayloadBytes);

    VideoServerSession session(device);
    std::uint64_t package = 0;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        VideoServerSession::Step step = session.take(stream.substr(at, std::min(piece, stream.size() - at)));
        // Every package byte is handed on once, and counted.
        package = step.updateSize ? step.package.size() : package + step.package.size();
        FUZZ_CHECK(package == session.packageBytes());
        if (step.packageComplete) {
            for (int percent = 0; percent <= 100; percent += 10)
                (void)session.progressFrame(percent);
            (void)session.resultFrame();
            session.writingDone();
        }
        if (step.close || step.badFrame)
            break;
    }
    return 0;
}
