#include "devsim/VideoServerSession.h"

#include "devsim/VideoServerWire.h"

#include <algorithm>

namespace lorvena::devsim {

namespace {

constexpr std::string_view userName = "admin";
constexpr char accepted = 0;
constexpr char refused = 1;

} // namespace

VideoServerSession::VideoServerSession(const SimulatedDevice& device) : device_(device) {}

VideoServerSession::Step VideoServerSession::take(std::string_view bytes)
{
    Step step;
    while (!bytes.empty() && phase_ != Phase::Closed) {
        if (phase_ == Phase::Writing)
            break; // nothing is expected until the result: discarded
        if (phase_ == Phase::Package)
            takePackage(bytes, step);
        else
            takeFrame(bytes, step);
    }
    return step;
}

void VideoServerSession::takeFrame(std::string_view& bytes, Step& step)
{
    std::size_t before = pending_.size();
    std::size_t room = VideoFrame::headerBytes + VideoFrame::maxPayloadBytes - before;
    std::size_t taken = std::min(bytes.size(), room);
    pending_.append(bytes.substr(0, taken));
    VideoFrame frame = VideoFrame::read(pending_);
    if (frame.status == VideoFrame::Status::Bad)
        return bad(step);
    if (frame.status == VideoFrame::Status::Incomplete) {
        bytes.remove_prefix(taken);
        return;
    }
    bytes.remove_prefix(frame.size - before);
    std::string payload(frame.payload);
    pending_.clear();
    switch (frame.type) {
    case VideoFrameType::Login:
        return login(payload, step);
    case VideoFrameType::Info:
        if (phase_ != Phase::Ready || !payload.empty())
            return bad(step);
        step.reply += VideoFrame::make(VideoFrameType::InfoReply,
            shortText(toDeviceText(device_.name, device_.encoding))
                + shortText(toDeviceText(device_.firmware, device_.encoding))
                + static_cast<char>(device_.channels));
        return;
    case VideoFrameType::Update:
        if (phase_ != Phase::Ready || payload.size() != 8)
            return bad(step);
        return update(payload, step);
    default:
        return bad(step); // frames only a server sends
    }
}

void VideoServerSession::login(std::string_view payload, Step& step)
{
    if (payload.empty())
        return bad(step);
    std::size_t userLength = static_cast<std::uint8_t>(payload[0]);
    if (payload.size() < 2 + userLength)
        return bad(step);
    std::string_view user = payload.substr(1, userLength);
    std::size_t passwordLength = static_cast<std::uint8_t>(payload[1 + userLength]);
    if (payload.size() != 2 + userLength + passwordLength)
        return bad(step);
    std::string_view password = payload.substr(2 + userLength);
    bool ok = device_.videoServer.hostile != VideoServerHostility::RefuseLogin && user == userName
        && password == credentialText(device_.password);
    step.login = ok;
    step.reply += VideoFrame::make(VideoFrameType::LoginReply, std::string(1, ok ? accepted : refused));
    if (ok) {
        phase_ = Phase::Ready;
        return;
    }
    step.close = true;
    phase_ = Phase::Closed;
}

void VideoServerSession::update(std::string_view payload, Step& step)
{
    size_ = readLittleEndian(payload);
    received_ = 0;
    step.updateSize = size_;
    if (size_ == 0 || size_ > maxPackageBytes) {
        step.updateEnded = false;
        step.reply += VideoFrame::make(VideoFrameType::Result,
            littleEndian(static_cast<std::uint32_t>(size_ == 0 ? resultEmptyPackage : resultTooLarge), 4));
        // A package too large to take is still on its way: the connection ends.
        if (size_ != 0) {
            step.close = true;
            phase_ = Phase::Closed;
        }
        return;
    }
    phase_ = Phase::Package;
    std::string_view none;
    takePackage(none, step); // a device closing at once does so before any byte
}

void VideoServerSession::takePackage(std::string_view& bytes, Step& step)
{
    bool closesHalfWay = device_.videoServer.hostile == VideoServerHostility::CloseMidTransfer;
    std::uint64_t limit = closesHalfWay ? size_ / 2 : size_;
    auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), limit - received_));
    step.package.append(bytes.substr(0, taken));
    bytes.remove_prefix(taken);
    received_ += taken;
    if (received_ == size_) {
        step.packageComplete = true;
        phase_ = Phase::Writing;
    } else if (closesHalfWay && received_ == limit) {
        step.updateEnded = false;
        step.close = true;
        phase_ = Phase::Closed;
    }
}

void VideoServerSession::bad(Step& step)
{
    step.badFrame = true;
    step.close = true;
    phase_ = Phase::Closed;
}

std::string VideoServerSession::progressFrame(int percent) const
{
    return VideoFrame::make(VideoFrameType::Progress, std::string(1, static_cast<char>(percent)));
}

std::string VideoServerSession::resultFrame() const
{
    std::int32_t code = resultIsOk() ? 0 : device_.videoServer.errorCode;
    return VideoFrame::make(VideoFrameType::Result, littleEndian(static_cast<std::uint32_t>(code), 4));
}

void VideoServerSession::writingDone()
{
    if (phase_ == Phase::Writing)
        phase_ = Phase::Ready;
}

} // namespace lorvena::devsim
