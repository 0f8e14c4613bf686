#pragma once

#include "discovery/DatagramBatch.h"
#include "discovery/InterfaceSockets.h"
#include "discovery/ReplyQueues.h"
#include "platform/WindowMessage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace lorvena {

// What one receiver listens for and whom it tells.
struct ReceiverSetup {
    SocketFamily family;
    ReplyKind replyKind;
    MessageId message;
};

// Timings of the receive loop; the defaults are the product's, tests may
// shorten them.
struct ReceiverTimings {
    // How long one wait for datagrams lasts.
    std::chrono::milliseconds pollTimeout {100};
    std::chrono::milliseconds idleSleep {10};
};

// A receive thread (BasicReceiver or ExtendedReceiver): polls its socket list,
// queues every datagram that is a valid reply of its kind and posts its
// message, one per socket's turn, whose wParam tells how many replies came
// with it; while idle it posts drain notifications for replies left queued.
class Receiver {
public:
    Receiver(ReceiverSetup setup, InterfaceSockets& sockets, ReplyQueues& queues, MessagePoster& poster,
        ReceiverTimings timings = {});
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    void start();
    // Asks the loop to end and waits for it; returns at once when not running.
    void stop();
    bool running() const { return thread_.joinable(); }
    // Cuts an idle pause short: a search has just opened the sockets its
    // replies will reach, and the first of them should not wait it out.
    void socketsRefreshed();

    // How many waiting datagrams one ready socket gives per pass.
    static constexpr std::size_t maxDatagramsPerTurn = 64;

private:
    void run();
    // Reads from the sockets of the list whose descriptors are in `ready`
    // (sorted).
    void receiveReady(const std::vector<int>& ready);
    // Reads the socket's waiting datagrams, at most maxDatagramsPerTurn,
    // keeping the replies of our kind in accepted_; a socket that fails is
    // marked dead.
    void receiveTurn(InterfaceSocket& entry);

    ReceiverSetup setup_;
    InterfaceSockets& sockets_;
    ReplyQueues& queues_;
    MessagePoster& poster_;
    ReceiverTimings timings_;
    // Used by the receive thread only.
    DatagramBatch batch_;
    std::vector<ReplyBuffer> accepted_;
    std::atomic<bool> stopRequested_ {false};
    // The idle pause, which a refresh or a stop ends early.
    std::mutex idleMutex_;
    std::condition_variable idleWake_;
    bool refreshed_ = false;
    std::thread thread_;
};

} // namespace lorvena
