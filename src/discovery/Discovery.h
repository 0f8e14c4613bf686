#pragma once

#include "discovery/InterfaceSockets.h"
#include "discovery/Receiver.h"
#include "discovery/ReplyQueues.h"

#include <memory>
#include <optional>

namespace lorvena {

// The protocol generation in use: 0 is the old one, any other value the new.
enum class SearchGeneration { Old, New };

SearchGeneration generationOf(int searchMode);

// The discovery machinery of one window's life: both socket lists, the reply
// queues and the receive threads. Built at window initialisation, stopped
// once at shutdown.
class Discovery {
public:
    Discovery(SearchGeneration generation, MessagePoster& poster, AddressSource addresses,
        ReceiverTimings timings = {});
    ~Discovery();
    Discovery(const Discovery&) = delete;
    Discovery& operator=(const Discovery&) = delete;

    SearchGeneration generation() const { return generation_; }

    // Starts BasicReceiver and, in the new generation, ExtendedReceiver.
    void start();
    // Ends the receivers, closes every socket and frees queued replies. Only
    // the first call does anything.
    void stop();

    // The broadcasts of one search. The caller clears the table in between,
    // in the order the search command prescribes.
    void sendOldModeSearch();
    void sendBasicSearch();
    void sendExtendedSearch();

    // The kind of reply that WM_SEARCH_REPLY_OLD announces in this generation.
    ReplyKind basicReplyKind() const;
    std::optional<ReplyBuffer> takeOldestReply(ReplyKind kind) { return queues_.takeOldest(kind); }

    InterfaceSockets& sockets() { return sockets_; }
    // Replies the receive sockets of both families lost to full receive
    // buffers since the window started (see InterfaceSockets).
    std::uint64_t droppedDatagrams()
    {
        return sockets_.droppedDatagrams(SocketFamily::Basic) + sockets_.droppedDatagrams(SocketFamily::Extended);
    }

private:
    SearchGeneration generation_;
    InterfaceSockets sockets_;
    ReplyQueues queues_;
    Receiver basicReceiver_;
    std::unique_ptr<Receiver> extendedReceiver_;
    bool stopped_ = false;
};

} // namespace lorvena
