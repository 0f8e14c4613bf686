#pragma once

#include "devsim/RequestClassifier.h"

#include <netinet/in.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// One line per received datagram, flushed at once so a script can read the
// file while the simulator runs:
//   <kind> <source ip>:<port> <address text or -> <interface>
// (kind: old, basic, extended, old-modify, basic-modify, extended-modify or
// unknown), and one per HTTP request a device's web server read:
//   http <path> <status, or - when not answered>
// and one per step of a firmware upload, video-server session or restart:
//   <event> <device ip> [<detail>...]   e.g. "upgrade-command 10.1.0.5 1048576"
// Written only from the simulator's thread.
class RequestLog {
public:
    // Appends to `path`. False, with `error`, when the file cannot be opened.
    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }

    void record(RequestKind kind, const sockaddr_in& source, std::string_view addressText,
        std::string_view interfaceName);

    // `status` 0: not answered.
    void recordHttp(std::string_view path, int status);

    // `details` is written as it stands (empty: left out).
    void recordEvent(std::string_view event, std::uint32_t deviceIp, std::string_view details = {});

    static std::string formatLine(RequestKind kind, const sockaddr_in& source, std::string_view addressText,
        std::string_view interfaceName);
    static std::string formatHttpLine(std::string_view path, int status);
    static std::string formatEventLine(std::string_view event, std::uint32_t deviceIp, std::string_view details);

private:
    void write(std::string line);

    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

} // namespace lorvena::devsim
