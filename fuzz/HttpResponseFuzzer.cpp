// A device's HTTP response as CHttpRequest reads it from the socket: the
// header byte by byte up to the empty line, then the body, each under its
// cap; then the two readings the callers make of it (the "200 OK" check and
// the upgrade's progress figure). The bytes come through a socket pair so
// that the reader's own receive loop runs; the writing end is shut down
// after them, as a device that closes.
//
// Input: two bytes choose the header and body caps (small caps reach the
// Capped paths; 255 means the product's caps), the rest is the response.
#include "FuzzCheck.h"

#include "net/CHttpRequest.h"
#include "net/HttpResponseReader.h"
#include "upgrade/ProgressFigure.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace lorvena;

namespace {

// A socket pair's buffer takes this much without a reader; larger inputs
// would block the write.
constexpr std::size_t maxResponseBytes = 64 * 1024;

std::size_t capFrom(std::uint8_t byte, std::size_t productCap)
{
    return byte == 255 ? productCap : byte;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size - 2 > maxResponseBytes)
        return 0;
    const std::size_t headerCap = capFrom(data[0], CHttpRequest::maxHeaderBytes);
    const std::size_t bodyCap = capFrom(data[1], CHttpRequest::maxBodyBytes);
    const std::string_view response(reinterpret_cast<const char*>(data + 2), size - 2);

    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
        return 0;
    const int bufferBytes = 2 * static_cast<int>(maxResponseBytes);
    setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &bufferBytes, sizeof bufferBytes);
    const bool written = write(ends[1], response.data(), response.size()) == static_cast<ssize_t>(response.size());
    shutdown(ends[1], SHUT_WR);
    if (!written) {
        close(ends[0]);
        close(ends[1]);
        return 0;
    }

    std::string header;
    std::string body;
    const HeaderEnd end = ReadResponseHeader(ends[0], header, headerCap);
    if (end != HeaderEnd::Capped)
        ReadResponseBody(ends[0], body, bodyCap);
    close(ends[0]);
    close(ends[1]);

    // Nothing is taken twice, lost between header and body, or read past a cap.
    FUZZ_CHECK(header.size() <= headerCap);
    FUZZ_CHECK(body.size() <= bodyCap);
    FUZZ_CHECK(response.substr(0, header.size()) == header);
    FUZZ_CHECK(response.substr(header.size(), body.size()) == body);
    if (end == HeaderEnd::EmptyLine)
        FUZZ_CHECK(!header.empty() && header.back() == '\n');
    if (end == HeaderEnd::ConnectionEnded)
        FUZZ_CHECK(header == response && body.empty());
    if (end == HeaderEnd::EmptyLine && body.size() < bodyCap)
        FUZZ_CHECK(header.size() + body.size() == response.size());

    if (header.find("200 OK") != std::string::npos)
        (void)mappedProgress(deviceProgressFigure(body));
    return 0;
}
