#pragma once

#include "devsim/RequestClassifier.h"

#include <netinet/in.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace lorvena::devsim {

// One line per received datagram, flushed at once so a script can read the
// file while the simulator runs:
//   <old|basic|extended|unknown> <source ip>:<port> <address text or -> <interface>
// Written only from the simulator's thread.
class RequestLog {
public:
    // Appends to `path`. False, with `error`, when the file cannot be opened.
    bool open(const std::string& path, std::string& error);
    bool isOpen() const { return file_ != nullptr; }

    void record(RequestKind kind, const sockaddr_in& source, std::string_view addressText,
        std::string_view interfaceName);

    static std::string formatLine(RequestKind kind, const sockaddr_in& source, std::string_view addressText,
        std::string_view interfaceName);

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

} // namespace lorvena::devsim
