#include "net/HttpResponseReader.h"

#include "net/SocketOps.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace lorvena {

namespace {

// Devices have always been read in pieces of this size.
constexpr std::size_t bodyPieceBytes = 2047;
// A device's header fits in one piece as a rule.
constexpr std::size_t headerPieceBytes = 2048;

// One receive that waits no later than `deadline`; `late` tells that the
// deadline came before anything to read.
// Whether bytes are likely to be waiting already: the start of an answer
// is not, right after the request went out; the rest of it often is.
enum class Arrival { Awaited, LikelyThere };

ssize_t receiveBefore(int socket, void* buffer, std::size_t length, ResponseDeadline deadline, bool& late,
    Arrival arrival, int flags = 0)
{
    auto receive = [&](int extraFlags) {
        ssize_t result;
        do
            result = recv(socket, buffer, length, flags | extraFlags);
        while (result < 0 && errno == EINTR);
        return result;
    };
    if (deadline != noResponseDeadline) {
        // What has already arrived needs no wait.
        if (arrival == Arrival::LikelyThere) {
            const ssize_t ready = receive(MSG_DONTWAIT);
            if (ready >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                return ready;
        }
        if (!WaitReadable(socket, deadline)) {
            late = true;
            return -1;
        }
    }
    return receive(0);
}

} // namespace

HeaderEnd ReadResponseHeader(int socket, std::string& header, std::size_t cap, ResponseDeadline deadline)
{
    // What has arrived is looked at first and only the header's bytes are
    // taken off the socket: the body stays for the body's reading, while a
    // header that came in one piece costs a few system calls, not two per
    // byte.
    char piece[headerPieceBytes];
    std::size_t lineLength = 0;
    for (std::size_t taken = 0; taken < cap;) {
        bool late = false;
        const ssize_t waiting = receiveBefore(socket, piece, std::min(sizeof piece, cap - taken), deadline, late,
            Arrival::Awaited, MSG_PEEK);
        if (waiting <= 0)
            return late ? HeaderEnd::DeadlinePassed : HeaderEnd::ConnectionEnded;
        std::size_t length = 0;
        bool complete = false;
        while (length < static_cast<std::size_t>(waiting) && !complete) {
            const char byte = piece[length++];
            if (byte == '\n') {
                complete = lineLength == 0;
                lineLength = 0;
            } else if (byte != '\r') {
                ++lineLength;
            }
        }
        // The bytes looked at are there to be read: this read cannot wait.
        const ssize_t read = ReceiveOnce(socket, piece, length);
        if (read <= 0)
            return HeaderEnd::ConnectionEnded;
        header.append(piece, static_cast<std::size_t>(read));
        if (read != static_cast<ssize_t>(length))
            return HeaderEnd::ConnectionEnded;
        taken += length;
        if (complete)
            return HeaderEnd::EmptyLine;
    }
    return HeaderEnd::Capped;
}

void ReadResponseBody(int socket, std::string& body, std::size_t cap, ResponseDeadline deadline)
{
    char piece[bodyPieceBytes];
    for (std::size_t taken = 0; taken < cap;) {
        bool late = false;
        ssize_t received = receiveBefore(
            socket, piece, std::min(sizeof piece, cap - taken), deadline, late, Arrival::LikelyThere);
        if (received <= 0)
            return;
        body.append(piece, static_cast<std::size_t>(received));
        taken += static_cast<std::size_t>(received);
    }
}

} // namespace lorvena
