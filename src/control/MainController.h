#pragma once

#include "control/MainView.h"
#include "control/OnvifSearch.h"
#include "discovery/DeviceTable.h"
#include "discovery/Discovery.h"
#include "platform/WindowMessage.h"

namespace lorvena {

// Everything the main window needs that is not drawing: it owns the device
// table and the discovery machinery, runs the commands, and handles the
// posted window messages on the window's thread.
class MainController {
public:
    struct Dependencies {
        MainView& view;
        // Where receivers and library threads post; drained on the window's
        // thread into handleMessage().
        MessagePoster& poster;
        AddressSource addresses;
        // Null until the ONVIF library is wired; the search then ends after
        // its broadcasts.
        OnvifSearch* onvifSearch = nullptr;
        ReceiverTimings receiverTimings = {};
    };

    MainController(int searchMode, Dependencies dependencies);
    ~MainController();
    MainController(const MainController&) = delete;
    MainController& operator=(const MainController&) = delete;

    int searchMode() const { return searchMode_; }
    SearchGeneration generation() const { return discovery_.generation(); }
    const DeviceTable& table() const { return table_; }
    Discovery& discovery() { return discovery_; }

    // Window initialisation: starts the receivers.
    void initialise();
    // Shutdown: stops the receivers, closes the sockets, frees queued
    // replies. Only the first call does anything.
    void shutdownSearch();

    // "Wyszukaj".
    void search();

    void handleMessage(const WindowMessage& message);

private:
    // Takes the oldest reply of `kind` and lists it unless it is a duplicate
    // or of an unknown kind.
    void addOldestReply(ReplyKind kind);

    int searchMode_;
    MainView& view_;
    OnvifSearch* onvifSearch_;
    DeviceTable table_;
    Discovery discovery_;
};

} // namespace lorvena
