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

// Reads one datagram into `buffer` and notes the socket's loss count when
// the datagram carries it (the kernel attaches it once anything was lost).
ssize_t receiveDatagram(InterfaceSocket& entry, ReplyBuffer& buffer)
{
    iovec data {buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
    msghdr message {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t received = recvmsg(entry.socket, &message, MSG_DONTWAIT);
    if (received < 0)
        return received;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL)
            std::memcpy(&entry.droppedDatagrams, CMSG_DATA(header), sizeof entry.droppedDatagrams);
    }
    return received;
}

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
    : setup_(setup), sockets_(sockets), queues_(queues), poster_(poster), timings_(timings)
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
    stopRequested_ = true;
    thread_.join();
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
            std::this_thread::sleep_for(timings_.idleSleep);
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
    ReplyFormat format = replyFormat(setup_.replyKind);
    ReplyBuffer buffer(format.size);

    std::lock_guard lock(sockets_.interfaceLock());
    for (InterfaceSocket& entry : sockets_.list(setup_.family)) {
        if (entry.socket == -1 || !std::binary_search(ready.begin(), ready.end(), entry.socket))
            continue;
        // Errors the kernel queues about our own sends (a datagram too big
        // for the path, say) raise no pending error for the read to return,
        // yet keep every wait waking at once until they are read.
        drainErrorQueue(entry.socket);
        // A search makes every device answer at once: emptying the socket
        // now, rather than one datagram per wait, keeps its buffer from
        // overflowing. The bound keeps the other sockets' turn near.
        for (std::size_t taken = 0; taken < maxDatagramsPerTurn && entry.socket != -1; ++taken) {
            if (!receiveOne(entry, buffer))
                break;
        }
    }
}

bool Receiver::receiveOne(InterfaceSocket& entry, ReplyBuffer& buffer)
{
    // A datagram shorter than a reply reads as zeros past its end; a
    // longer one is cut to the reply size by the kernel and accepted.
    std::fill(buffer.begin(), buffer.end(), 0);
    ssize_t received = receiveDatagram(entry, buffer);
    const int error = errno;
    if (received < 0 && (error == EAGAIN || error == EWOULDBLOCK))
        return false; // emptied
    debugTrace("recvfrom:" + std::to_string(received));
    if (received < 0) {
        if (ReportedByTheNetwork(error)) {
            // The queued error itself is read off at the socket's next turn.
            debugTrace("the network reported " + std::string(std::strerror(error)));
            return true;
        }
        if (error != EINTR) {
            InterfaceSockets::markDead(entry);
            sockets_.report({SocketProblem::Step::Receive, entry.localAddress, error});
        }
        return false;
    }
    if (received > 0 && isSearchReply(buffer, setup_.replyKind)) {
        queues_.append(setup_.replyKind, buffer);
        poster_.post({setup_.message, 1, 0, {}});
    }
    return true;
}

} // namespace lorvena
