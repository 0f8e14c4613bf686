#include "net/HttpResponseReader.h"

#include "net/SocketOps.h"

#include <algorithm>

namespace lorvena {

namespace {

// Devices have always been read in pieces of this size.
constexpr std::size_t bodyPieceBytes = 2047;

} // namespace

HeaderEnd ReadResponseHeader(int socket, std::string& header, std::size_t cap)
{
    std::size_t lineLength = 0;
    for (std::size_t taken = 0; taken < cap; ++taken) {
        char byte = 0;
        if (ReceiveOnce(socket, &byte, 1) <= 0)
            return HeaderEnd::ConnectionEnded;
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

void ReadResponseBody(int socket, std::string& body, std::size_t cap)
{
    char piece[bodyPieceBytes];
    for (std::size_t taken = 0; taken < cap;) {
        ssize_t received = ReceiveOnce(socket, piece, std::min(sizeof piece, cap - taken));
        if (received <= 0)
            return;
        body.append(piece, static_cast<std::size_t>(received));
        taken += static_cast<std::size_t>(received);
    }
}

} // namespace lorvena
