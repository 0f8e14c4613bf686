#include "discovery/Discovery.h"

#include "platform/DebugTrace.h"

namespace lorvena {

SearchGeneration generationOf(int searchMode)
{
    return searchMode == 0 ? SearchGeneration::Old : SearchGeneration::New;
}

Discovery::Discovery(SearchGeneration generation, MessagePoster& poster, AddressSource addresses,
    ReceiverTimings timings)
    : generation_(generation)
    , sockets_(std::move(addresses))
    , basicReceiver_({SocketFamily::Basic, basicReplyKind(), MessageId::SearchReplyOld}, sockets_, queues_, poster,
          timings)
{
    if (generation_ == SearchGeneration::New) {
        extendedReceiver_ = std::make_unique<Receiver>(
            ReceiverSetup {SocketFamily::Extended, ReplyKind::Extended, MessageId::SearchReplyNew}, sockets_,
            queues_, poster, timings);
    }
}

Discovery::~Discovery()
{
    stop();
}

ReplyKind Discovery::basicReplyKind() const
{
    return generation_ == SearchGeneration::Old ? ReplyKind::OldMode : ReplyKind::Basic;
}

void Discovery::start()
{
    basicReceiver_.start();
    if (extendedReceiver_)
        extendedReceiver_->start();
}

void Discovery::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    basicReceiver_.stop();
    if (extendedReceiver_)
        extendedReceiver_->stop();
    sockets_.closeAll();
    queues_.clearAll();
}

void Discovery::sendOldModeSearch()
{
    sockets_.refreshSockets(SocketFamily::Basic);
    basicReceiver_.socketsRefreshed();
    OldModeSearchRequestBytes request {};
    sockets_.broadcast(SocketFamily::Basic, [&request](std::uint32_t localAddress) {
        request = buildOldModeSearchRequest(localAddress);
        return ByteView(request);
    });
}

void Discovery::sendBasicSearch()
{
    sockets_.refreshSockets(SocketFamily::Basic);
    basicReceiver_.socketsRefreshed();
    BasicSearchRequestBytes request {};
    sockets_.broadcast(SocketFamily::Basic, [&request](std::uint32_t localAddress) {
        request = buildBasicSearchRequest(localAddress);
        return ByteView(request);
    });
}

void Discovery::sendExtendedSearch()
{
    debugTrace("Search...");
    sockets_.refreshSockets(SocketFamily::Extended);
    if (extendedReceiver_)
        extendedReceiver_->socketsRefreshed();
    const ExtendedSearchRequestBytes request = buildExtendedSearchRequest();
    sockets_.broadcast(SocketFamily::Extended, [&request](std::uint32_t) { return ByteView(request); });
}

} // namespace lorvena
