#include "upgrade/UploadSession.h"

#include "platform/DeviceAddress.h"

#include "platform/TextNumbers.h"
#include "upgrade/PackageFile.h"
#include "upgrade/UpgradeCancel.h"
#include "upgrade/UploadHost.h"
#include "upgrade/UploadRoutines.h"
#include "upgrade/UploadWire.h"

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <vector>

namespace lorvena {

namespace {

// The device's replies are read into a zeroed buffer of this size, at most
// TcpClient::receiveBytes at a time, and used as text.
constexpr std::size_t replyBufferBytes = 1320;
using ReplyBuffer = std::array<std::uint8_t, replyBufferBytes>;
// Chunks handed to the socket in one send: 256,000 bytes. Fewer, larger
// sends keep the socket's buffer full with less work per byte; the file is
// read in the same pieces.
constexpr std::size_t chunksPerSend = 200;

struct AddressListDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

// The package and its credentials go to a device's own numeric address only
// (DeviceAddress.h): no name is looked up.
AddressList resolve(const UpgradeTarget& target)
{
    if (!deviceAddress(target.ipText))
        return nullptr;
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    const std::string service = std::to_string(leadingInteger(target.httpPortText));
    addrinfo* found = nullptr;
    if (getaddrinfo(target.ipText.c_str(), service.c_str(), &hints, &found) != 0)
        return nullptr;
    return AddressList(found);
}

// Fills `chunk` as far as the file allows: a short count means its end.
std::size_t readChunk(int file, std::uint8_t* chunk, std::size_t wanted)
{
    std::size_t filled = 0;
    while (filled < wanted) {
        const ssize_t count = ::read(file, chunk + filled, wanted - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    return filled;
}

} // namespace

UploadSession::UploadSession(UploadHost& host, const UpgradeTimings& timings) : host_(host), client_(timings.tcp) {}

UploadSession::~UploadSession()
{
    close();
}

void UploadSession::close()
{
    // Unregistered before closing, so a late cancel cannot shut down a
    // descriptor number that has meanwhile been reused.
    if (watching_) {
        host_.cancel().forgetSocket();
        watching_ = false;
    }
    client_.Close();
    file_.reset();
}

int UploadSession::open(Sizing sizing)
{
    OpenedPackage package = OpenPackage(host_.uploadPath());
    switch (package.problem) {
    case PackageProblem::None:
        break;
    case PackageProblem::CannotOpen:
    case PackageProblem::NotAFile:
        return upload_result::cannotOpenFile;
    case PackageProblem::Empty:
        return upload_result::emptyFile;
    case PackageProblem::TooLarge:
        // Refused before connecting: the device would be told a wrong length.
        return upload_result::fileTooLarge;
    }
    file_ = std::move(package.file);
    length_ = package.length;

    if (const int code = connect(); code != upload_result::success)
        return code;

    const std::string command = upgradeCommand(length_);
    // The routine without a size field goes on whatever the send reports, as
    // the devices it serves are used to.
    if (!sendOnce(command.data(), command.size()) && sizing == Sizing::CommandAndSizeField)
        return upload_result::commandNotSent;

    ReplyBuffer reply {};
    ssize_t count = 0;
    if (!client_.Receive(reply.data(), count) || count <= 0)
        return upload_result::noFirstReply;

    if (sizing == Sizing::CommandAndSizeField) {
        const auto sizeField = upgradeSizeField(length_);
        sendOnce(sizeField.data(), sizeField.size());
    }
    return upload_result::success;
}

int UploadSession::connect()
{
    const AddressList addresses = resolve(host_.target());
    if (!addresses)
        return upload_result::cannotResolve;
    const addrinfo& first = *addresses;
    if (!client_.Create(first.ai_family))
        return upload_result::noSocket;
    host_.cancel().watchSocket(client_.descriptor());
    watching_ = true;
    if (!client_.Connect(first.ai_addr, first.ai_addrlen))
        return upload_result::cannotConnect;
    return upload_result::success;
}

bool UploadSession::sendOnce(const void* bytes, std::size_t length)
{
    ssize_t sent;
    do
        sent = ::send(client_.descriptor(), bytes, length, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(length);
}

int UploadSession::transfer(Stopping stopping)
{
    UpgradeCancel& cancel = host_.cancel();
    // The package goes out in 1280-byte chunks, a batch of them handed to
    // the socket in one gathering send: the device sees the same stream,
    // while a system call per chunk would cut the throughput several times
    // over on a real link. The bar still moves chunk by chunk.
    std::vector<std::uint8_t> block(uploadChunkBytes * chunksPerSend);
    std::array<iovec, chunksPerSend> chunks {};
    std::uint64_t total = 0;
    // The transfer ends with the announced length or the file's end,
    // whichever comes first: a file that changes while it is sent must
    // neither make us send empty chunks forever nor more than we announced.
    while (total < length_) {
        if (stopping == Stopping::WhenCancelled && !cancel.keepRunning())
            break;
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), length_ - total));
        const std::size_t filled = readChunk(file_.get(), block.data(), wanted);
        if (filled == 0)
            break;
        std::size_t count = 0;
        for (std::size_t offset = 0; offset < filled; offset += uploadChunkBytes) {
            chunks[count].iov_base = block.data() + offset;
            chunks[count].iov_len = std::min(uploadChunkBytes, filled - offset);
            ++count;
        }
        if (!sendChunks(chunks.data(), count, filled))
            return upload_result::chunkNotSent;
        for (std::size_t i = 0; i < count; ++i) {
            total += chunks[i].iov_len;
            host_.showProgress(uploadPercent(total, length_));
        }
    }
    return upload_result::success;
}

bool UploadSession::sendChunks(const iovec* chunks, std::size_t count, std::size_t bytes)
{
    msghdr message {};
    message.msg_iov = const_cast<iovec*>(chunks);
    message.msg_iovlen = count;
    ssize_t sent;
    do
        sent = ::sendmsg(client_.descriptor(), &message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(bytes);
}

std::optional<std::string> UploadSession::finalReply()
{
    ReplyBuffer reply {};
    ssize_t count = 0;
    if (!client_.Receive(reply.data(), count) || count <= 0)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(reply.data()), static_cast<std::size_t>(count));
}

} // namespace lorvena
