#include "discovery/Receiver.h"

#include "platform/DebugTrace.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace lorvena {

namespace {

// Reads off the errors queued for the socket's sent datagrams; left there,
// they would keep every wait waking at once.
void drainErrorQueue(int socket)
{
    char ignored[512];
    for (int read = 0; read < 64; ++read) {
        iovec data {ignored, sizeof ignored};
        msghdr message {};
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        if (recvmsg(socket, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
            return;
    }
}

} // namespace

Receiver::Receiver(ReceiverSetup setup, InterfaceSockets& sockets, ReplyQueues& queues, MessagePoster& poster,
    ReceiverTimings timings)
    : setup_(setup), sockets_(sockets), queues_(queues), poster_(poster), timings_(timings),
      batch_(maxDatagramsPerTurn, replyFormat(setup.replyKind).size)
{
}

Receiver::~Receiver()
{
    stop();
}

void Receiver::start()
{
    if (thread_.joinable())
        return;
    stopRequested_ = false;
    thread_ = std::thread([this] { run(); });
}

void Receiver::stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(idleMutex_);
        stopRequested_ = true;
    }
    idleWake_.notify_all();
    thread_.join();
}

void Receiver::socketsRefreshed()
{
    {
        std::lock_guard lock(idleMutex_);
        refreshed_ = true;
    }
    idleWake_.notify_all();
}

void Receiver::run()
{
    // poll, not select: every socket is listened to, however many local
    // addresses the machine has (containers, VPNs) and however high their
    // descriptor numbers run in a long-lived window.
    std::vector<pollfd> polled;
    std::vector<int> ready;
    while (!stopRequested_) {
        polled.clear();
        {
            std::lock_guard lock(sockets_.interfaceLock());
            for (const InterfaceSocket& entry : sockets_.list(setup_.family)) {
                if (entry.socket != -1)
                    polled.push_back({entry.socket, POLLIN, 0});
            }
        }

        int count = -1;
        if (!polled.empty()) {
            count = ::poll(polled.data(), polled.size(), static_cast<int>(timings_.pollTimeout.count()));
        }
        if (count <= 0) {
            if (queues_.length(setup_.replyKind) > 0)
                poster_.post({setup_.message, 0, 0, {}});
            std::unique_lock lock(idleMutex_);
            idleWake_.wait_for(lock, timings_.idleSleep, [this] { return refreshed_ || stopRequested_; });
            refreshed_ = false;
            continue;
        }
        ready.clear();
        for (const pollfd& entry : polled) {
            // An error or hang-up is read too: the failing read marks it dead.
            if (entry.revents != 0)
                ready.push_back(entry.fd);
        }
        std::sort(ready.begin(), ready.end());
        receiveReady(ready);
    }
}

void Receiver::receiveReady(const std::vector<int>& ready)
{
    std::lock_guard lock(sockets_.interfaceLock());
    for (InterfaceSocket& entry : sockets_.list(setup_.family)) {
        if (entry.socket == -1 || !std::binary_search(ready.begin(), ready.end(), entry.socket))
            continue;
        // Errors the kernel queues about our own sends (a datagram too big
        // for the path, say) raise no pending error for the read to return,
        // yet keep every wait waking at once until they are read.
        drainErrorQueue(entry.socket);
        receiveTurn(entry);
        // One message for the turn's replies: the window's thread takes
        // them all, oldest first, as it would take one per message.
        if (const std::size_t count = accepted_.size(); count > 0) {
            queues_.appendAll(setup_.replyKind, accepted_);
            poster_.post({setup_.message, count, 0, {}});
        }
    }
}

void Receiver::receiveTurn(InterfaceSocket& entry)
{
    // A search makes every device answer at once: emptying the socket now,
    // rather than one datagram per wait, keeps its buffer from overflowing.
    // The bound keeps the other sockets' turn near.
    for (std::size_t taken = 0; taken < maxDatagramsPerTurn && entry.socket != -1;) {
        const int received = batch_.receive(entry, maxDatagramsPerTurn - taken);
        const int error = errno;
        if (received < 0 && (error == EAGAIN || error == EWOULDBLOCK))
            return; // emptied
        if (received == 0)
            return;
        if (received < 0) {
            debugTrace("recvfrom:-1");
            if (ReportedByTheNetwork(error)) {
                // The queued error itself is read off at the socket's next turn.
                debugTrace("the network reported " + std::string(std::strerror(error)));
                ++taken;
                continue;
            }
            if (error != EINTR) {
                InterfaceSockets::markDead(entry);
                sockets_.report({SocketProblem::Step::Receive, entry.localAddress, error});
            }
            return;
        }
        for (std::size_t i = 0; i < static_cast<std::size_t>(received); ++i) {
            debugTrace("recvfrom:" + std::to_string(batch_.length(i)));
            // A datagram shorter than a reply reads as zeros past its end; a
            // longer one is cut to the reply size by the kernel and accepted.
            if (batch_.length(i) > 0 && isSearchReply(batch_.datagram(i), setup_.replyKind))
                accepted_.push_back(batch_.take(i));
        }
        taken += static_cast<std::size_t>(received);
    }
}

} // namespace lorvena
