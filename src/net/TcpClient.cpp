#include "net/TcpClient.h"

#include "net/SocketOps.h"

#include <netinet/in.h>

namespace lorvena {

TcpClient::TcpClient(TcpTimeouts timeouts) : timeouts_(timeouts) {}

bool TcpClient::Create(int family)
{
    descriptor_.reset(::socket(family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!descriptor_)
        return false;
    if (!SetSocketTimeouts(descriptor_.get(), timeouts_.send, timeouts_.receive)) {
        descriptor_.reset();
        return false;
    }
    return true;
}

bool TcpClient::Connect(const sockaddr* address, socklen_t length)
{
    return ConnectWithin(descriptor_.get(), address, length, timeouts_.connect);
}

bool TcpClient::Receive(std::uint8_t* buffer, ssize_t& count)
{
    count = ReceiveOnce(descriptor_.get(), buffer, receiveBytes);
    return count >= 0;
}

void TcpClient::Close()
{
    descriptor_.reset();
}

} // namespace lorvena
