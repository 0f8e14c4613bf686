// What a video server sends back to the built-in video-server client: the
// login reply, the server information and an update's progress and result
// frames. That client reads only from its own socket, so each input is
// played by a scripted server on 127.0.0.1: it accepts the connection,
// sends the input and ends its side, then swallows whatever the client
// sends until the client closes. The client logs in, asks for the server
// information and sends a small package, as the upgrade dialog does.
#include "FuzzCheck.h"

#include "platform/DeviceAddress.h"
#include "platform/UniqueFd.h"
#include "sdk/ZazadaClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

using lorvena::UniqueFd;

namespace {

struct ScriptedServer {
    UniqueFd listener;
    std::uint16_t port = 0;
    std::string package;

    ScriptedServer()
    {
        listener.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (!listener || bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || listen(listener.get(), 4) != 0
            || getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        port = ntohs(address.sin_port);

        std::string pattern = (std::filesystem::temp_directory_path() / "lorvena-fuzz-package-XXXXXX").string();
        UniqueFd file(mkstemp(pattern.data()));
        if (!file || write(file.get(), "PACKAGE", 7) != 7)
            std::abort();
        package = pattern;
    }
    ~ScriptedServer() { std::remove(package.c_str()); }

    // One connection: `reply` out, then read until the client closes.
    void serve(std::string_view reply) const
    {
        UniqueFd connection(accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection)
            return;
        const timeval limit {5, 0}; // a client that never closes must not hold the run
        setsockopt(connection.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        for (std::size_t sent = 0; sent < reply.size();) {
            const ssize_t count = send(connection.get(), reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (count <= 0)
                break;
            sent += static_cast<std::size_t>(count);
        }
        shutdown(connection.get(), SHUT_WR);
        char sink[4096];
        while (recv(connection.get(), sink, sizeof sink, 0) > 0) {
        }
    }
};

struct UpdateEnd {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
    std::int32_t progress = 0;
};

std::int32_t progressRoutine(std::int32_t, const ZazadaUpdateStatus* status, void* user)
{
    auto& end = *static_cast<UpdateEnd*>(user);
    FUZZ_CHECK(status->progress >= 0 && status->progress <= 100);
    std::lock_guard lock(end.mutex);
    FUZZ_CHECK(!end.ended); // exactly one final call
    end.progress = status->progress;
    if (status->error != 0 || status->stage == 2) {
        end.ended = true;
        end.changed.notify_all();
        return 1;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The scripted server plays the device on 127.0.0.1.
    static const bool loopback = (lorvena::allowLoopbackDevices(true), true);
    (void)loopback;
    static const ScriptedServer server;
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    std::thread device([&] { server.serve(reply); });

    std::int32_t handle = 0;
    if (ZAZADA_OpenServer(nullptr, "127.0.0.1", server.port, "admin", "admin", &handle, 0, 2) == 0) {
        ZazadaServerInfo info {};
        info.size = sizeof info;
        if (ZAZADA_GetServerInfo(handle, &info) == 0) {
            FUZZ_CHECK(std::memchr(info.name, 0, sizeof info.name) != nullptr);
            FUZZ_CHECK(std::memchr(info.firmware, 0, sizeof info.firmware) != nullptr);
        }
        UpdateEnd end;
        if (ZAZADA_UpdateServer(handle, server.package.c_str(), progressRoutine, &end) == 0) {
            // The server's side is closed after the input: the update ends
            // with the input, never by a time-out.
            std::unique_lock lock(end.mutex);
            FUZZ_CHECK(end.changed.wait_for(lock, std::chrono::seconds(8), [&] { return end.ended; }));
        }
        ZAZADA_CloseServer(handle);
    } else {
        FUZZ_CHECK(handle == 0);
    }
    device.join();
    return 0;
}
