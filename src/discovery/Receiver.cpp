#include "discovery/Receiver.h"

#include "platform/DebugTrace.h"

#include <sys/select.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace lorvena {

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
    while (!stopRequested_) {
        fd_set readSet;
        FD_ZERO(&readSet);
        int highest = -1;
        {
            std::lock_guard lock(sockets_.interfaceLock());
            std::size_t polled = 0;
            for (const InterfaceSocket& entry : sockets_.list(setup_.family)) {
                if (entry.socket == -1 || entry.socket >= FD_SETSIZE || FD_ISSET(entry.socket, &readSet))
                    continue;
                if (polled++ == maxPolledSockets)
                    break;
                FD_SET(entry.socket, &readSet);
                highest = std::max(highest, entry.socket);
            }
        }

        int ready = -1;
        if (highest >= 0) {
            timeval timeout {0, static_cast<suseconds_t>(timings_.selectTimeout.count())};
            ready = select(highest + 1, &readSet, nullptr, nullptr, &timeout);
        }
        if (ready <= 0) {
            if (queues_.length(setup_.replyKind) > 0)
                poster_.post({setup_.message, 0, 0, {}});
            std::this_thread::sleep_for(timings_.idleSleep);
            continue;
        }
        receiveReady(&readSet, ready);
    }
}

void Receiver::receiveReady(const void* readySetPointer, int readyCount)
{
    const auto& readySet = *static_cast<const fd_set*>(readySetPointer);
    ReplyFormat format = replyFormat(setup_.replyKind);
    ReplyBuffer buffer(format.size);

    std::lock_guard lock(sockets_.interfaceLock());
    for (InterfaceSocket& entry : sockets_.list(setup_.family)) {
        if (readyCount <= 0)
            break;
        if (entry.socket == -1 || entry.socket >= FD_SETSIZE || !FD_ISSET(entry.socket, &readySet))
            continue;
        --readyCount;

        // A datagram shorter than a reply reads as zeros past its end; a
        // longer one is cut to the reply size by the kernel and accepted.
        std::fill(buffer.begin(), buffer.end(), 0);
        ssize_t received = recvfrom(entry.socket, buffer.data(), buffer.size(), MSG_DONTWAIT, nullptr, nullptr);
        debugTrace("recvfrom:" + std::to_string(received));
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            InterfaceSockets::markDead(entry);
            continue;
        }
        if (received == 0 || !isSearchReply(buffer, setup_.replyKind))
            continue;
        queues_.append(setup_.replyKind, buffer);
        poster_.post({setup_.message, 1, 0, {}});
    }
}

} // namespace lorvena
