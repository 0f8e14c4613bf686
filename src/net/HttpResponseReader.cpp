#include "net/HttpResponseReader.h"

#include "net/SocketOps.h"

#include <algorithm>

namespace lorvena {

namespace {

// Devices have always been read in pieces of this size.
constexpr std::size_t bodyPieceBytes = 2047;

// One receive that waits no later than `deadline`; `late` tells that the
// deadline came before anything to read.
ssize_t receiveBefore(int socket, void* buffer, std::size_t length, ResponseDeadline deadline, bool& late)
{
    if (deadline != noResponseDeadline && !WaitReadable(socket, deadline)) {
        late = true;
        return -1;
    }
    return ReceiveOnce(socket, buffer, length);
}

} // namespace

HeaderEnd ReadResponseHeader(int socket, std::string& header, std::size_t cap, ResponseDeadline deadline)
{
    std::size_t lineLength = 0;
    for (std::size_t taken = 0; taken < cap; ++taken) {
        char byte = 0;
        bool late = false;
        if (receiveBefore(socket, &byte, 1, deadline, late) <= 0)
            return late ? HeaderEnd::DeadlinePassed : HeaderEnd::ConnectionEnded;
        header += byte;
        if (byte == '\n') {
            if (lineLength == 0)
                return HeaderEnd::EmptyLine;
            lineLength = 0;
        } else if (byte != '\r') {
            ++lineLength;
        }
    }
    return HeaderEnd::Capped;
}

void ReadResponseBody(int socket, std::string& body, std::size_t cap, ResponseDeadline deadline)
{
    char piece[bodyPieceBytes];
    for (std::size_t taken = 0; taken < cap;) {
        bool late = false;
        ssize_t received = receiveBefore(socket, piece, std::min(sizeof piece, cap - taken), deadline, late);
        if (received <= 0)
            return;
        body.append(piece, static_cast<std::size_t>(received));
        taken += static_cast<std::size_t>(received);
    }
}

} // namespace lorvena
