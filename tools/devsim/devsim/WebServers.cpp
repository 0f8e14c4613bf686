#include "devsim/WebServers.h"

#include "platform/LocalAddresses.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>

namespace lorvena::devsim {

namespace {

bool listenable(const SimulatedDevice& device)
{
    std::uint32_t address = device.ip;
    return device.http != HttpMode::Closed && device.httpPort >= 1 && device.httpPort <= 65535 && address != 0
        && address != 0xFFFFFFFFu && (address >> 28) != 0xE;
}

} // namespace

WebServers::WebServers(const std::vector<SimulatedDevice>& devices, RequestLog& log, UpgradeStore& upgrades,
    UploadSinks sinks)
    : devices_(devices), log_(log), upgrades_(upgrades), sinks_(std::move(sinks))
{
}

bool WebServers::open(std::size_t budget, std::string& error)
{
    close();
    if (!loop_.open(error))
        return false;
    for (std::size_t i = 0; i < devices_.size() && loop_.listenerCount() < budget; ++i)
        openListener(i);
    serverCount_ = loop_.listenerCount();
    return true;
}

void WebServers::close()
{
    connections_.clear();
    loop_.close();
    serverCount_ = 0;
}

bool WebServers::openListener(std::size_t device)
{
    const SimulatedDevice& simulated = devices_[device];
    if (!listenable(simulated))
        return false;
    // A device that stops reading gets a small window (inherited by accepted
    // connections): a client's sends then block after a few KiB instead of
    // filling megabytes of socket buffer first.
    const int receiveBuffer = simulated.upgrade.hostile == UpgradeHostility::StopReading ? 4096 : 0;
    return loop_.listen(device, simulated.ip, static_cast<std::uint16_t>(simulated.httpPort), 64, receiveBuffer);
}

void WebServers::deviceMoved(std::size_t index, std::uint32_t oldAddress, std::uint32_t oldPort)
{
    if (!loop_.isOpen())
        return;
    std::optional<std::uint64_t> old = loop_.listenerAt(oldAddress, oldPort);
    if (old && loop_.deviceOf(*old) == index) {
        loop_.closeListener(*old);
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (i != index && devices_[i].ip == oldAddress && devices_[i].httpPort == oldPort && openListener(i))
                break;
        }
    }
    openListener(index);
    serverCount_ = loop_.listenerCount();
}

void WebServers::event(std::uint64_t id, std::uint32_t events)
{
    // An entry closed earlier in this batch is simply not found.
    if ((id & dripTimerTag) != 0) {
        if (auto dripping = connections_.find(id & ~dripTimerTag); dripping != connections_.end())
            dripOne(dripping->first, dripping->second);
    } else if (connections_.contains(id))
        serve(id, events);
}

void WebServers::adopt(std::uint64_t id, UniqueFd socket, std::size_t device)
{
    Connection connection;
    connection.socket = std::move(socket);
    connection.device = device;
    connections_.emplace(id, std::move(connection));
}

void WebServers::serve(std::uint64_t id, std::uint32_t events)
{
    Connection& connection = connections_.at(id);
    if ((events & EPOLLOUT) != 0 && !flush(id, connection))
        return;
    if (connection.stalled) {
        // Never read again; only a connection the client has given up on ends.
        if ((events & (EPOLLHUP | EPOLLERR)) != 0)
            connections_.erase(id);
        return;
    }
    if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0)
        readRequest(id, connection);
}

bool WebServers::readRequest(std::uint64_t id, Connection& connection)
{
    std::array<char, 4096> buffer {};
    for (;;) {
        ssize_t received = recv(connection.socket.get(), buffer.data(), buffer.size(), 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (received <= 0) {
            // The client has closed (or the connection failed): nothing more
            // to answer.
            if (connection.upload && !connection.upload->ended())
                uploadEnded(connection, "incomplete");
            connections_.erase(id);
            return false;
        }
        if (!takeBytes(id, connection, std::string_view(buffer.data(), static_cast<std::size_t>(received))))
            return false;
        if (connection.stalled)
            return true;
    }
}

bool WebServers::takeBytes(std::uint64_t id, Connection& connection, std::string_view bytes)
{
    if (connection.upload)
        return takeUpload(id, connection, bytes);
    if (connection.answered)
        return true; // answered or silent: discarded
    std::size_t room = maxRequestBytes - connection.received.size();
    connection.received.append(bytes.substr(0, std::min(bytes.size(), room)));
    const SimulatedDevice& device = devices_[connection.device];
    // A silent device does not take uploads either: the command is read as
    // a request that is never answered.
    if (device.http != HttpMode::Silent) {
        switch (UpgradeCommand::classify(connection.received)) {
        case UpgradeCommand::Kind::Undecided:
            return true;
        case UpgradeCommand::Kind::Upload: {
            connection.upload = std::make_unique<UpgradeReceiver>(device.upgrade);
            std::string start = std::move(connection.received);
            connection.received.clear();
            return takeUpload(id, connection, start);
        }
        case UpgradeCommand::Kind::Other:
            break;
        }
    }
    std::size_t end = connection.received.find("\r\n\r\n");
    if (end != std::string::npos) {
        std::string_view head = std::string_view(connection.received).substr(0, end + 4);
        int figure = upgrades_.progressFigure(connection.device, device.upgrade, UpgradeStore::Clock::now());
        respond(id, connection, HttpResponder::answer(head, device, figure));
        return connections_.contains(id);
    }
    if (connection.received.size() >= maxRequestBytes) {
        respond(id, connection, HttpResponder::tooLarge(connection.received, device));
        return connections_.contains(id);
    }
    return true;
}

bool WebServers::takeUpload(std::uint64_t id, Connection& connection, std::string_view bytes)
{
    UpgradeReceiver& upload = *connection.upload;
    if (upload.ended())
        return true; // what a client sends after the end is discarded
    const std::size_t device = connection.device;
    const std::uint32_t ip = devices_[device].ip;
    UpgradeReceiver::Step step = upload.take(bytes);
    if (step.badCommand) {
        log_.recordEvent("upgrade-bad-command", ip);
        connections_.erase(id);
        return false;
    }
    if (step.command) {
        log_.recordEvent("upgrade-command", ip, std::to_string(*step.command));
        upgrades_.beginUpload(device, *step.command);
    }
    if (!step.recorded.empty())
        upgrades_.appendUpload(device, step.recorded, upload.packageBytes());
    if (step.sizeField) {
        log_.recordEvent("upgrade-size", ip, std::to_string(*step.sizeField));
        upgrades_.setSizeField(device, *step.sizeField);
    }
    if (step.ended)
        uploadEnded(connection, *step.ended);
    switch (step.then) {
    case UpgradeReceiver::Then::Read:
        if (!step.reply.empty())
            sendThenRead(id, connection, std::move(step.reply));
        return connections_.contains(id);
    case UpgradeReceiver::Then::StopReading: {
        connection.stalled = true;
        // Nothing but the first reply may still have to go out.
        loop_.watch(connection.socket.get(), id, 0);
        if (!step.reply.empty())
            sendThenRead(id, connection, std::move(step.reply));
        return connections_.contains(id);
    }
    case UpgradeReceiver::Then::CloseAfterSending:
        connection.closeWhenSent = true;
        connection.unsent += step.reply;
        flush(id, connection);
        return false;
    }
    return false;
}

void WebServers::uploadEnded(const Connection& connection, const std::string& outcome)
{
    const UpgradeReceiver& upload = *connection.upload;
    const std::uint32_t ip = devices_[connection.device].ip;
    log_.recordEvent("upgrade-received", ip, std::to_string(upload.packageBytes()) + " " + outcome);
    // The file first: whoever sees the upload ended finds it written.
    if (upload.packageComplete())
        savePackage(connection.device);
    upgrades_.endUpload(connection.device, outcome, upload.packageComplete(), UpgradeStore::Clock::now());
    if (upload.packageComplete() && sinks_.completed)
        sinks_.completed(connection.device);
}

void WebServers::savePackage(std::size_t device)
{
    if (sinks_.directory.empty())
        return;
    UpgradeRecord record = upgrades_.upload(device);
    std::string path = sinks_.directory + "/" + dottedAddress(devices_[device].ip);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(record.stream.data() + (record.stream.size() - record.packageBytes),
        static_cast<std::streamsize>(record.packageBytes));
    if (!file.flush())
        std::cerr << "lorvena-devsim: cannot write the package to " << path << '\n';
}

void WebServers::sendThenRead(std::uint64_t id, Connection& connection, std::string bytes)
{
    connection.closeWhenSent = false;
    connection.unsent += bytes;
    flush(id, connection);
}

void WebServers::respond(std::uint64_t id, Connection& connection, const HttpAnswer& answer)
{
    ++requestCount_;
    log_.recordHttp(answer.path, answer.status);
    connection.answered = true;
    connection.received.clear();
    if (answer.status == 0)
        return; // silent: the connection stays open until the client ends it
    connection.unsent = answer.bytes;
    connection.fillerLeft = answer.fillerBytes;
    connection.filler = answer.filler;
    if (answer.drip.count() > 0 && startDrip(id, connection, answer.drip))
        return;
    flush(id, connection);
}

bool WebServers::startDrip(std::uint64_t id, Connection& connection, std::chrono::milliseconds interval)
{
    connection.dripTimer.reset(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
    if (!connection.dripTimer)
        return false;
    itimerspec every {};
    every.it_interval.tv_sec = static_cast<time_t>(interval.count() / 1000);
    every.it_interval.tv_nsec = static_cast<long>(interval.count() % 1000 * 1000000);
    every.it_value = every.it_interval;
    epoll_event event {};
    event.events = EPOLLIN;
    event.data.u64 = id | dripTimerTag;
    if (timerfd_settime(connection.dripTimer.get(), 0, &every, nullptr) != 0
        || epoll_ctl(loop_.queue(), EPOLL_CTL_ADD, connection.dripTimer.get(), &event) != 0) {
        connection.dripTimer.reset();
        return false; // the answer goes out at once instead
    }
    return true;
}

void WebServers::dripOne(std::uint64_t id, Connection& connection)
{
    std::uint64_t expirations = 0;
    if (read(connection.dripTimer.get(), &expirations, sizeof expirations) != sizeof expirations)
        return;
    ssize_t sent = send(connection.socket.get(), connection.unsent.data(), 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return; // the next tick tries again
    if (sent < 0) {
        connections_.erase(id); // the client has gone
        return;
    }
    connection.unsent.erase(0, 1);
    if (connection.unsent.empty())
        flush(id, connection); // all sent: ends the connection
}

void WebServers::waitWritable(std::uint64_t id, const Connection& connection)
{
    loop_.watch(connection.socket.get(), id,
        connection.stalled ? static_cast<std::uint32_t>(EPOLLOUT) : static_cast<std::uint32_t>(EPOLLIN | EPOLLOUT));
}

bool WebServers::flush(std::uint64_t id, Connection& connection)
{
    std::size_t fillerSent = 0;
    for (;;) {
        if (connection.unsent.empty() && connection.fillerLeft > 0) {
            if (fillerSent >= fillerBytesPerTurn) {
                waitWritable(id, connection); // writable again at once: the next turn goes on
                return true;
            }
            constexpr std::size_t pieceBytes = 64 * 1024;
            std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(pieceBytes, connection.fillerLeft));
            connection.unsent.assign(piece, connection.filler);
            if (connection.fillerLeft != endlessFiller)
                connection.fillerLeft -= piece;
            fillerSent += piece;
        }
        if (connection.unsent.empty())
            break;
        ssize_t sent = send(connection.socket.get(), connection.unsent.data(), connection.unsent.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            waitWritable(id, connection);
            return true;
        }
        if (sent < 0)
            break;
        connection.unsent.erase(0, static_cast<std::size_t>(sent));
    }
    if (!connection.closeWhenSent && connection.unsent.empty()) {
        // An upload goes on: back to reading (or, stalled, to nothing).
        loop_.watch(connection.socket.get(), id, connection.stalled ? 0u : static_cast<std::uint32_t>(EPOLLIN));
        return true;
    }
    // Answered in full (or the client is gone): the response ends with the
    // connection. What is still unread (the rest of an oversized request) is
    // read first, so that closing sends a FIN rather than a reset that could
    // destroy the response before the client has read it.
    std::array<char, 4096> rest {};
    while (recv(connection.socket.get(), rest.data(), rest.size(), MSG_DONTWAIT) > 0) {
    }
    connections_.erase(id);
    return false;
}

} // namespace lorvena::devsim
