#include "devsim/VideoServers.h"

#include <sys/epoll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace lorvena::devsim {

namespace {

bool listenable(const SimulatedDevice& device)
{
    std::uint32_t address = device.ip;
    return device.videoServer.enabled && device.videoServer.port != 0 && address != 0 && address != 0xFFFFFFFFu
        && (address >> 28) != 0xE;
}

} // namespace

VideoServers::VideoServers(const std::vector<SimulatedDevice>& devices, RequestLog& log, UpgradeStore& upgrades,
    Timers& timers)
    : devices_(devices), log_(log), upgrades_(upgrades), timers_(timers)
{
}

bool VideoServers::open(std::size_t budget, std::string& error)
{
    close();
    if (!loop_.open(error))
        return false;
    for (std::size_t i = 0; i < devices_.size() && loop_.listenerCount() < budget; ++i)
        openListener(i);
    serverCount_ = loop_.listenerCount();
    return true;
}

void VideoServers::close()
{
    connections_.clear();
    loop_.close();
    serverCount_ = 0;
}

bool VideoServers::openListener(std::size_t device)
{
    const SimulatedDevice& simulated = devices_[device];
    return listenable(simulated) && loop_.listen(device, simulated.ip, simulated.videoServer.port, 16);
}

void VideoServers::deviceMoved(std::size_t index)
{
    if (!loop_.isOpen())
        return;
    if (std::optional<std::uint64_t> old = loop_.listenerOf(index))
        loop_.closeListener(*old);
    openListener(index);
    serverCount_ = loop_.listenerCount();
}

void VideoServers::event(std::uint64_t id, std::uint32_t events)
{
    if (connections_.contains(id))
        serve(id, events);
}

void VideoServers::adopt(std::uint64_t id, UniqueFd socket, std::size_t device)
{
    connections_.emplace(id,
        Connection {std::move(socket), device, std::make_unique<VideoServerSession>(devices_[device]), {}, false, {}});
}

void VideoServers::serve(std::uint64_t id, std::uint32_t events)
{
    Connection& connection = connections_.at(id);
    if ((events & EPOLLOUT) != 0 && !flush(id, connection))
        return;
    if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) == 0 || connection.closeWhenSent)
        return;
    std::array<char, 16384> buffer {};
    for (;;) {
        ssize_t received = recv(connection.socket.get(), buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (received <= 0) {
            drop(id);
            return;
        }
        apply(id, connection,
            connection.session->take(std::string_view(buffer.data(), static_cast<std::size_t>(received))));
        if (!connections_.contains(id) || connection.closeWhenSent)
            return;
    }
}

void VideoServers::apply(std::uint64_t id, Connection& connection, VideoServerSession::Step step)
{
    const std::size_t device = connection.device;
    const std::uint32_t ip = devices_[device].ip;
    if (step.login) {
        log_.recordEvent("vs-login", ip, *step.login ? "ok" : "refused");
        upgrades_.recordLogin(device, *step.login);
    }
    if (step.updateSize)
        upgrades_.beginUpdate(device, *step.updateSize);
    if (!step.package.empty())
        upgrades_.appendUpdate(device, step.package);
    if (step.badFrame)
        log_.recordEvent("vs-bad-frame", ip);
    if (step.updateEnded) {
        log_.recordEvent("vs-update", ip,
            std::to_string(connection.session->packageBytes()) + (*step.updateEnded ? " ok" : " error"));
        upgrades_.endUpdate(device, *step.updateEnded);
    }
    if (step.packageComplete)
        startWriting(id, device);
    connection.closeWhenSent = connection.closeWhenSent || step.close;
    send(id, connection, step.reply);
}

void VideoServers::startWriting(std::uint64_t id, std::size_t device)
{
    const std::chrono::milliseconds duration = devices_[device].videoServer.progress;
    const Timers::Clock::time_point start = Timers::Clock::now();
    for (int step = 0; step <= VideoServerSession::progressSteps; ++step)
        timers_.at(start + duration * step / VideoServerSession::progressSteps,
            [this, id, step] { writingStep(id, step); });
}

void VideoServers::writingStep(std::uint64_t id, int step)
{
    auto found = connections_.find(id);
    if (found == connections_.end())
        return; // the client has gone meanwhile
    Connection& connection = found->second;
    VideoServerSession& session = *connection.session;
    std::string bytes = session.progressFrame(step * 100 / VideoServerSession::progressSteps);
    if (step == VideoServerSession::progressSteps) {
        bytes += session.resultFrame();
        bool ok = session.resultIsOk();
        session.writingDone();
        log_.recordEvent("vs-update", devices_[connection.device].ip,
            std::to_string(session.packageBytes()) + (ok ? " ok" : " error"));
        upgrades_.endUpdate(connection.device, ok);
    }
    send(id, connection, bytes);
}

void VideoServers::send(std::uint64_t id, Connection& connection, const std::string& bytes)
{
    const VideoServerBehaviour& behaviour = devices_[connection.device].videoServer;
    if (behaviour.hostile == VideoServerHostility::Drip) {
        const bool idle = connection.dripping.empty();
        connection.dripping += bytes;
        if (idle && !connection.dripping.empty())
            timers_.after(behaviour.drip, [this, id] { dripNext(id); });
        return;
    }
    connection.unsent += bytes;
    flush(id, connection);
}

void VideoServers::dripNext(std::uint64_t id)
{
    auto found = connections_.find(id);
    if (found == connections_.end() || found->second.dripping.empty())
        return;
    Connection& connection = found->second;
    connection.unsent += connection.dripping.front();
    connection.dripping.erase(0, 1);
    if (!flush(id, connection))
        return;
    if (!connection.dripping.empty())
        timers_.after(devices_[connection.device].videoServer.drip, [this, id] { dripNext(id); });
}

bool VideoServers::flush(std::uint64_t id, Connection& connection)
{
    while (!connection.unsent.empty()) {
        ssize_t sent =
            ::send(connection.socket.get(), connection.unsent.data(), connection.unsent.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            loop_.watch(connection.socket.get(), id,
                connection.closeWhenSent ? static_cast<std::uint32_t>(EPOLLOUT)
                                         : static_cast<std::uint32_t>(EPOLLIN | EPOLLOUT));
            return true;
        }
        if (sent < 0) {
            drop(id);
            return false;
        }
        connection.unsent.erase(0, static_cast<std::size_t>(sent));
    }
    if (connection.closeWhenSent && connection.dripping.empty()) {
        drop(id);
        return false;
    }
    loop_.watch(connection.socket.get(), id, EPOLLIN);
    return true;
}

void VideoServers::drop(std::uint64_t id)
{
    auto found = connections_.find(id);
    if (found == connections_.end())
        return;
    const Connection& connection = found->second;
    if (connection.session->updating()) {
        // The client left before the device's result: the update failed.
        log_.recordEvent("vs-update", devices_[connection.device].ip,
            std::to_string(connection.session->packageBytes()) + " error");
        upgrades_.endUpdate(connection.device, false);
    }
    connections_.erase(found);
}

} // namespace lorvena::devsim
