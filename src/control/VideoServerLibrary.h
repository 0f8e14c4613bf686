#pragma once

#include "sdk/ZazadaClient.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace lorvena {

class MessagePoster;

// The video-server client's calls, one method each, so that the window's
// logic can be run against a scripted library. The program uses
// builtInVideoServerLibrary(), which forwards to the ZAZADA_* interface.
class VideoServerLibrary {
public:
    virtual ~VideoServerLibrary() = default;

    // Texts are 8-bit, already cut to the client's limits. `handle` is set
    // even on failure (0 then).
    virtual std::int32_t openServer(const std::string& address, std::int32_t port, const std::string& userName,
        const std::string& password, std::int32_t& handle) = 0;
    // Ends at once every open still waiting (our addition to the client).
    virtual void stopOpening() = 0;
    virtual std::int32_t regServerMsgCallback(std::int32_t handle, ZazadaMessageRoutine routine, void* user) = 0;
    virtual std::int32_t getServerInfo(std::int32_t handle, ZazadaServerInfo& info) = 0;
    // 0 when the update was started; `routine` then hears its progress.
    virtual std::int32_t updateServer(std::int32_t handle, const std::string& packagePath,
        ZazadaProgressRoutine routine, void* user) = 0;
    virtual void closeServer(std::int32_t handle) = 0;
};

VideoServerLibrary& builtInVideoServerLibrary();

// What the client calls back, turned into the window's terms. One context
// per upgrade flow, given as the routines' user pointer; it outlives every
// session the flow opens.
struct VideoServerContext {
    VideoServerLibrary* library = nullptr;
    MessagePoster* poster = nullptr;
    // The last progress posted: the client repeats itself, the window needs
    // each figure once (and the end always).
    std::atomic<std::int32_t> lastProgress {-1};
};

// The server's messages: it asks for its information once it is ready;
// nothing of it is used.
std::int32_t VideoServerMessage(std::int32_t handle, std::int32_t message, std::int32_t value1,
    std::int32_t value2, std::int32_t value3, void* user);
// The update's progress, posted as VideoServerProgress (wParam 1 when it
// failed, lParam the percentage); returns 1 once the update has ended.
std::int32_t VideoServerProgress(std::int32_t reserved, const ZazadaUpdateStatus* status, void* user);

} // namespace lorvena
