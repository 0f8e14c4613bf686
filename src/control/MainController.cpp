#include "control/MainController.h"

#include "discovery/ReplyParser.h"

namespace lorvena {

namespace {

TableLayout layoutOf(int searchMode)
{
    return searchMode == 0 ? TableLayout::OldMode : TableLayout::NewMode;
}

} // namespace

MainController::MainController(int searchMode, Dependencies dependencies)
    : searchMode_(searchMode)
    , view_(dependencies.view)
    , onvifSearch_(dependencies.onvifSearch)
    , table_(layoutOf(searchMode))
    , discovery_(generationOf(searchMode), dependencies.poster, std::move(dependencies.addresses),
          dependencies.receiverTimings)
{
}

MainController::~MainController()
{
    shutdownSearch();
}

void MainController::initialise()
{
    discovery_.start();
}

void MainController::shutdownSearch()
{
    discovery_.stop();
}

void MainController::search()
{
    if (discovery_.generation() == SearchGeneration::Old) {
        table_.clear();
        view_.tableCleared();
        discovery_.sendOldModeSearch();
        return;
    }
    discovery_.sendBasicSearch();
    table_.clear();
    view_.tableCleared();
    discovery_.sendExtendedSearch();
    if (onvifSearch_)
        onvifSearch_->runAndWait();
}

void MainController::handleMessage(const WindowMessage& message)
{
    switch (message.id) {
    case MessageId::SearchReplyOld:
        addOldestReply(discovery_.basicReplyKind());
        break;
    case MessageId::SearchReplyNew:
        // A drain notification never parses here: a lost extended message's
        // reply waits for the next reply's message instead.
        if (message.wParam != 0)
            addOldestReply(ReplyKind::Extended);
        break;
    default:
        break;
    }
}

void MainController::addOldestReply(ReplyKind kind)
{
    std::optional<ReplyBuffer> reply = discovery_.takeOldestReply(kind);
    if (!reply)
        return;
    ParsedReply parsed = parseSearchReply(kind, *reply);
    if (table_.isDuplicate(parsed.duplicateRule, parsed.record.mac, parsed.record.ip))
        return;
    if (!parsed.listed)
        return;
    parsed.record.number = std::to_string(table_.rowCount() + 1);
    view_.rowAppended(table_.append(std::move(parsed.record)));
}

} // namespace lorvena
