// The built-in video-server client: the ZAZADA_ operations over one TCP
// connection per server, with a library thread for the message routine and
// one for each update.
//
// Protocol (the device side is played by tools/devsim; its README has the
// same description). Every message is a frame:
//
//   offset 0  2 bytes  "ZV"
//          2  1 byte   type
//          3  1 byte   0
//          4  4 bytes  payload length, least significant byte first, at most 1024
//          8  ...      payload
//
//   type 1 Login       client  user, password: each a length byte and its bytes
//   type 2 LoginReply  server  1 byte: 0 accepted, 1 refused (the server then closes)
//   type 3 Info        client  empty
//   type 4 InfoReply   server  name, firmware (each a length byte and its bytes), channel count byte
//   type 5 Update      client  package size, 8 bytes LSB first; the package follows unframed
//   type 6 Progress    server  1 byte: how far the device has written the package, 0..100
//   type 7 Result      server  4 bytes, signed, LSB first: 0 the update succeeded, else the device's error
//
// A session is: Login, LoginReply; then any number of Info/InfoReply and
// updates (Update, the package, Progress frames, one Result). The server
// sends nothing unasked except the Progress and Result frames of an update,
// and closes the connection on any frame it does not expect.
//
// What the routines see. The message routine is called once per
// registration with message `messageServerReady` (1) and zeros. The
// progress routine of an update gets, in order: stage 0 with progress 0 and
// then each new value of floor(sent × 50 / size) while the package goes out;
// stage 1 with min(99, 50 + device percent / 2) for each Progress frame; and
// exactly one final call: stage 2 with progress 100 and error 0 on success,
// or the last progress with `error` set (UpdateError below; the device's
// code in `deviceCode` for updateDeviceFailed). A connection lost or timed
// out, a frame out of place, a file that cannot be read to its end, and a
// CloseServer during the update all end with an error.
//
// Results of the operations: 0 success, else one of `Result` below.
//
// Time-outs: connecting 5 s; each frame, received or sent, and each 64 KiB
// chunk of the package, 20 s as a whole (not per system call: a server that
// drips a byte now and then is cut off); a non-zero `timeoutSeconds` passed to
// ZAZADA_OpenServer sets them all (tests use it).

#include "sdk/ZazadaClient.h"

#include "net/SocketOps.h"
#include "platform/DeviceAddress.h"
#include "platform/UniqueFd.h"
#include "upgrade/PackageFile.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

using lorvena::UniqueFd;

static_assert(sizeof(ZazadaServerInfo) == 156, "callers pass a 156-byte record");
static_assert(offsetof(ZazadaUpdateStatus, progress) == 12, "callers read the progress at offset 12");
static_assert(offsetof(ZazadaUpdateStatus, error) == 16, "callers read the error flag at offset 16");

enum Result : std::int32_t {
    resultOk = 0,
    resultBadArgument = 1,
    resultCannotConnect = 2,
    resultLoginRefused = 3,
    resultNoAnswer = 4,        // the server did not answer as the protocol says (or in time)
    resultUnknownHandle = 5,
    resultBusy = 6,            // an update runs on this session
    resultFileProblem = 7,     // the package cannot be opened or is empty
    resultNotConnected = 8,    // the session's connection was lost
    resultCalledFromRoutine = 9,
    resultStopped = 10,        // ZAZADA_StopOpening ended the open
};

enum UpdateError : std::int32_t {
    updateOk = 0,
    updateConnectionLost = 1,
    updateDeviceFailed = 2,
    updateProtocolViolation = 3,
    updateStopped = 4,
    updateFileUnreadable = 5,
};

enum Stage : std::int32_t { stageSending = 0, stageWriting = 1, stageFinished = 2 };

constexpr std::int32_t messageServerReady = 1;

constexpr std::chrono::milliseconds defaultConnectTimeout {5000};
constexpr std::chrono::milliseconds defaultTransferTimeout {20000};

enum FrameType : std::uint8_t {
    frameLogin = 1,
    frameLoginReply = 2,
    frameInfo = 3,
    frameInfoReply = 4,
    frameUpdate = 5,
    frameProgress = 6,
    frameResult = 7,
};
constexpr std::size_t frameHeaderBytes = 8;
constexpr std::size_t maxPayloadBytes = 1024;
constexpr std::size_t maxTextBytes = 255;
constexpr std::size_t packageChunkBytes = 64 * 1024;

std::string littleEndian(std::uint64_t value, std::size_t bytes)
{
    std::string result;
    for (std::size_t i = 0; i < bytes; ++i)
        result += static_cast<char>((value >> (8 * i)) & 0xFF);
    return result;
}

std::uint64_t readLittleEndian(std::string_view bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i)
        value |= std::uint64_t {static_cast<std::uint8_t>(bytes[i])} << (8 * i);
    return value;
}

std::string frame(FrameType type, std::string_view payload)
{
    std::string bytes {'Z', 'V', static_cast<char>(type), '\0'};
    return bytes + littleEndian(payload.size(), 4) + std::string(payload);
}

std::string lengthPrefixed(std::string_view text)
{
    return static_cast<char>(text.size()) + std::string(text);
}

enum class ReadStatus { ok, lost, bad };

using Deadline = std::chrono::steady_clock::time_point;

Deadline deadlineAfter(std::chrono::milliseconds limit)
{
    return std::chrono::steady_clock::now() + limit;
}

// Each read waits only until `deadline`: a server that drips a byte now and
// then, each within the per-receive time-out, must not hold a frame open for
// minutes.
ReadStatus receiveExactly(int socket, char* buffer, std::size_t length, Deadline deadline)
{
    while (length > 0) {
        if (!lorvena::WaitReadable(socket, deadline))
            return ReadStatus::lost; // timed out
        ssize_t received = lorvena::ReceiveOnce(socket, buffer, length);
        if (received <= 0)
            return ReadStatus::lost; // closed, failed or timed out
        buffer += received;
        length -= static_cast<std::size_t>(received);
    }
    return ReadStatus::ok;
}

struct Frame {
    FrameType type = frameLogin;
    std::string payload;
};

// One whole frame by `deadline`.
ReadStatus readFrame(int socket, Frame& result, Deadline deadline)
{
    char header[frameHeaderBytes];
    if (ReadStatus status = receiveExactly(socket, header, sizeof header, deadline); status != ReadStatus::ok)
        return status;
    auto type = static_cast<std::uint8_t>(header[2]);
    std::uint64_t length = readLittleEndian(std::string_view(header + 4, 4));
    if (header[0] != 'Z' || header[1] != 'V' || header[3] != 0 || type < frameLogin || type > frameResult
        || length > maxPayloadBytes)
        return ReadStatus::bad;
    result.type = static_cast<FrameType>(type);
    result.payload.assign(length, '\0');
    return receiveExactly(socket, result.payload.data(), length, deadline);
}

// All of `bytes` by `deadline`: a server that takes a few bytes now and then
// must not stretch one transfer for good.
bool sendAllBy(int socket, std::string_view bytes, Deadline deadline)
{
    while (!bytes.empty()) {
        pollfd waiting {socket, POLLOUT, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        const int ready = ::poll(&waiting, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return false;
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Reads a length-prefixed text at `at`, moving past it; false when the
// payload ends first.
bool readText(std::string_view payload, std::size_t& at, std::string_view& text)
{
    if (at >= payload.size())
        return false;
    std::size_t length = static_cast<std::uint8_t>(payload[at]);
    if (payload.size() - at - 1 < length)
        return false;
    text = payload.substr(at + 1, length);
    at += 1 + length;
    return true;
}

void copyText(char* target, std::size_t capacity, std::string_view text)
{
    std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct Session {
    std::int32_t handle = 0;
    UniqueFd socket;
    // The longest one frame, or one chunk of the package, may take.
    std::chrono::milliseconds transferLimit {defaultTransferTimeout};
    std::atomic<bool> connected {true};
    std::atomic<bool> stopping {false};
    std::mutex io; // one exchange at a time on the socket; an update holds it throughout

    std::mutex control; // the fields below
    bool closed = false;
    bool updating = false;
    std::thread messageThread;
    std::thread updateThread;
};

class SessionTable {
public:
    std::int32_t add(std::shared_ptr<Session> session)
    {
        std::lock_guard lock(mutex_);
        // 0 means "no session" to callers; a handle is never reused while open.
        while (next_ <= 0 || sessions_.contains(next_))
            next_ = next_ <= 0 || next_ == INT32_MAX ? 1 : next_ + 1;
        std::int32_t handle = next_;
        next_ = next_ == INT32_MAX ? 1 : next_ + 1;
        session->handle = handle;
        sessions_.emplace(handle, std::move(session));
        return handle;
    }

    std::shared_ptr<Session> find(std::int32_t handle) const
    {
        std::lock_guard lock(mutex_);
        auto found = sessions_.find(handle);
        return found == sessions_.end() ? nullptr : found->second;
    }

    void remove(std::int32_t handle)
    {
        std::lock_guard lock(mutex_);
        sessions_.erase(handle);
    }

private:
    mutable std::mutex mutex_;
    std::map<std::int32_t, std::shared_ptr<Session>> sessions_;
    std::int32_t next_ = 1;
};

// Never destroyed: a program that exits with sessions open must not have
// their threads meet a destroyed table (or be destroyed while joinable).
SessionTable& sessions()
{
    static SessionTable* table = new SessionTable;
    return *table;
}

std::chrono::milliseconds transferTimeout(std::int32_t timeoutSeconds)
{
    return timeoutSeconds > 0 ? std::chrono::milliseconds(std::chrono::seconds(timeoutSeconds))
                              : defaultTransferTimeout;
}

// The opens still connecting or logging in, so that ZAZADA_StopOpening can
// cut them short from another thread.
struct Opening {
    int socket = -1;
    bool stopped = false;
};

struct Openings {
    std::mutex mutex;
    std::set<Opening*> running;
};

// Never destroyed, as the session table.
Openings& openings()
{
    static Openings* list = new Openings;
    return *list;
}

// Registers an open for its lifetime; the socket becomes known once made.
class OpeningScope {
public:
    OpeningScope()
    {
        std::lock_guard lock(openings().mutex);
        openings().running.insert(&opening_);
    }
    ~OpeningScope()
    {
        std::lock_guard lock(openings().mutex);
        openings().running.erase(&opening_);
    }
    OpeningScope(const OpeningScope&) = delete;
    OpeningScope& operator=(const OpeningScope&) = delete;

    // False when the open was stopped before its socket existed.
    bool watch(int socket)
    {
        std::lock_guard lock(openings().mutex);
        opening_.socket = socket;
        return !opening_.stopped;
    }
    // Before the socket is closed: its number may be reused at once.
    void forget()
    {
        std::lock_guard lock(openings().mutex);
        opening_.socket = -1;
    }
    bool stopped()
    {
        std::lock_guard lock(openings().mutex);
        return opening_.stopped;
    }

private:
    Opening opening_;
};

UniqueFd connectTo(const char* address, std::int32_t port, std::int32_t timeoutSeconds, OpeningScope& scope)
{
    // The login goes to a device's own numeric address only (DeviceAddress.h).
    if (address == nullptr || !lorvena::deviceAddress(address))
        return {};
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(address, std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr)
        return {};
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> results(found, freeaddrinfo);
    UniqueFd socket(::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol));
    std::chrono::milliseconds connectLimit =
        timeoutSeconds > 0 ? std::chrono::milliseconds(std::chrono::seconds(timeoutSeconds)) : defaultConnectTimeout;
    if (!socket)
        return {};
    if (!scope.watch(socket.get())
        || !lorvena::ConnectWithin(socket.get(), found->ai_addr, found->ai_addrlen, connectLimit)
        || !lorvena::SetSocketTimeouts(socket.get(), transferTimeout(timeoutSeconds), transferTimeout(timeoutSeconds))) {
        scope.forget();
        return {};
    }
    return socket;
}

// One update on its library thread: the package out, the device's figures
// in, and exactly one final call of the routine.
class UpdateRun {
public:
    UpdateRun(Session& session, File file, std::uint64_t size, ZazadaProgressRoutine routine, void* user)
        : session_(session), file_(std::move(file)), size_(size), routine_(routine), user_(user)
    {
        status_.size = sizeof status_;
    }

    void operator()()
    {
        UpdateError error = updateOk;
        {
            std::lock_guard lock(session_.io);
            error = sendPackage();
            if (error == updateOk)
                error = awaitResult();
        }
        if (error != updateOk && error != updateDeviceFailed)
            session_.connected = false; // the stream is no longer in step with the server
        status_.error = error;
        if (error == updateOk) {
            status_.stage = stageFinished;
            status_.progress = 100;
        }
        report();
        std::lock_guard lock(session_.control);
        session_.updating = false;
    }

private:
    UpdateError lostOrStopped() const { return session_.stopping ? updateStopped : updateConnectionLost; }

    UpdateError sendPackage()
    {
        int socket = session_.socket.get();
        if (!sendAllBy(socket, frame(frameUpdate, littleEndian(size_, 8)), deadlineAfter(session_.transferLimit)))
            return lostOrStopped();
        report();
        std::string chunk(packageChunkBytes, '\0');
        std::uint64_t sent = 0;
        while (sent < size_) {
            if (session_.stopping)
                return updateStopped;
            std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size_ - sent));
            std::size_t read = std::fread(chunk.data(), 1, wanted, file_.get());
            if (read == 0)
                return updateFileUnreadable; // the file shrank or failed: the size sent cannot be kept
            if (!sendAllBy(socket, std::string_view(chunk.data(), read), deadlineAfter(session_.transferLimit)))
                return lostOrStopped();
            sent += read;
            status_.bytesSent = static_cast<std::int32_t>(static_cast<std::uint32_t>(sent));
            auto percent = static_cast<std::int32_t>(sent * 50 / size_);
            if (percent != status_.progress) {
                status_.progress = percent;
                report();
            }
        }
        return updateOk;
    }

    UpdateError awaitResult()
    {
        status_.stage = stageWriting;
        for (;;) {
            Frame answer;
            ReadStatus read = readFrame(session_.socket.get(), answer, deadlineAfter(session_.transferLimit));
            if (read == ReadStatus::lost)
                return lostOrStopped();
            if (read == ReadStatus::bad)
                return updateProtocolViolation;
            if (answer.type == frameProgress && answer.payload.size() == 1) {
                int devicePercent = std::min(100, static_cast<int>(static_cast<std::uint8_t>(answer.payload[0])));
                status_.progress = std::min(99, 50 + devicePercent / 2);
                report();
            } else if (answer.type == frameResult && answer.payload.size() == 4) {
                auto code = static_cast<std::uint32_t>(readLittleEndian(answer.payload));
                status_.deviceCode = static_cast<std::int32_t>(code);
                return status_.deviceCode == 0 ? updateOk : updateDeviceFailed;
            } else {
                return updateProtocolViolation;
            }
        }
    }

    void report()
    {
        if (routine_ != nullptr)
            routine_(0, &status_, user_);
    }

    Session& session_;
    File file_;
    std::uint64_t size_;
    ZazadaProgressRoutine routine_;
    void* user_;
    ZazadaUpdateStatus status_ {};
};

bool calledFromOwnThread(const Session& session)
{
    std::thread::id self = std::this_thread::get_id();
    return session.messageThread.get_id() == self || session.updateThread.get_id() == self;
}

} // namespace

extern "C" {

int32_t ZAZADA_OpenServer(const char* /*reserved*/, const char* address, int32_t port, const char* userName,
    const char* password, int32_t* handle, int32_t /*flags*/, int32_t timeoutSeconds)
{
    if (handle == nullptr)
        return resultBadArgument;
    *handle = 0;
    if (address == nullptr || *address == '\0' || port <= 0 || port > 65535 || userName == nullptr
        || password == nullptr || std::strlen(userName) > maxTextBytes || std::strlen(password) > maxTextBytes)
        return resultBadArgument;

    auto session = std::make_shared<Session>();
    session->transferLimit = transferTimeout(timeoutSeconds);
    OpeningScope scope;
    session->socket = connectTo(address, port, timeoutSeconds, scope);
    if (!session->socket)
        return scope.stopped() ? resultStopped : resultCannotConnect;
    int socket = session->socket.get();
    // The login as a whole, each way, within the transfer limit.
    Frame answer;
    if (!sendAllBy(socket, frame(frameLogin, lengthPrefixed(userName) + lengthPrefixed(password)),
            deadlineAfter(session->transferLimit))
        || readFrame(socket, answer, deadlineAfter(session->transferLimit)) != ReadStatus::ok
        || answer.type != frameLoginReply || answer.payload.size() != 1) {
        scope.forget();
        return scope.stopped() ? resultStopped : resultNoAnswer;
    }
    scope.forget();
    if (answer.payload[0] != 0)
        return resultLoginRefused;
    *handle = sessions().add(std::move(session));
    return resultOk;
}

int32_t ZAZADA_StopOpening(void)
{
    std::lock_guard lock(openings().mutex);
    for (Opening* opening : openings().running) {
        opening->stopped = true;
        // Wakes a connect, send or receive of that open at once.
        if (opening->socket >= 0)
            shutdown(opening->socket, SHUT_RDWR);
    }
    return resultOk;
}

int32_t ZAZADA_RegServerMsgCallback(int32_t handle, ZazadaMessageRoutine routine, void* user)
{
    std::shared_ptr<Session> session = sessions().find(handle);
    if (!session)
        return resultUnknownHandle;
    if (routine == nullptr)
        return resultBadArgument;
    if (!session->connected)
        return resultNotConnected;
    std::thread previous;
    {
        std::lock_guard lock(session->control);
        if (calledFromOwnThread(*session))
            return resultCalledFromRoutine;
        previous = std::move(session->messageThread);
    }
    if (previous.joinable())
        previous.join(); // an earlier registration's single call
    std::lock_guard lock(session->control);
    if (session->closed)
        return resultUnknownHandle;
    try {
        Session* raw = session.get(); // lives until CloseServer has joined this thread
        session->messageThread = std::thread([raw, routine, user] {
            if (!raw->stopping)
                routine(raw->handle, messageServerReady, 0, 0, 0, user);
        });
    } catch (const std::system_error&) {
        return resultBusy;
    }
    return resultOk;
}

int32_t ZAZADA_GetServerInfo(int32_t handle, ZazadaServerInfo* info)
{
    if (info == nullptr || info->size != static_cast<int32_t>(sizeof(ZazadaServerInfo)))
        return resultBadArgument;
    std::shared_ptr<Session> session = sessions().find(handle);
    if (!session)
        return resultUnknownHandle;
    if (!session->connected)
        return resultNotConnected;
    // During an update the socket carries the package: no waiting for it.
    std::unique_lock lock(session->io, std::try_to_lock);
    if (!lock.owns_lock())
        return resultBusy;
    int socket = session->socket.get();
    Frame answer;
    if (!sendAllBy(socket, frame(frameInfo, {}), deadlineAfter(session->transferLimit))
        || readFrame(socket, answer, deadlineAfter(session->transferLimit)) != ReadStatus::ok) {
        session->connected = false;
        return resultNoAnswer;
    }
    std::string_view payload = answer.payload;
    std::size_t at = 0;
    std::string_view name;
    std::string_view firmware;
    if (answer.type != frameInfoReply || !readText(payload, at, name) || !readText(payload, at, firmware)
        || payload.size() != at + 1) {
        session->connected = false;
        return resultNoAnswer;
    }
    std::memset(reinterpret_cast<char*>(info) + sizeof info->size, 0, sizeof *info - sizeof info->size);
    copyText(info->name, sizeof info->name, name);
    copyText(info->firmware, sizeof info->firmware, firmware);
    info->channels = static_cast<std::uint8_t>(payload[at]);
    return resultOk;
}

int32_t ZAZADA_UpdateServer(int32_t handle, const char* path, ZazadaProgressRoutine routine, void* user)
{
    std::shared_ptr<Session> session = sessions().find(handle);
    if (!session)
        return resultUnknownHandle;
    if (path == nullptr || *path == '\0')
        return resultBadArgument;
    // Opened without blocking: a FIFO or device node in the package's place
    // must not hold the caller (the window's thread).
    lorvena::OpenedPackage package = lorvena::OpenPackage(path);
    if (package.problem == lorvena::PackageProblem::CannotOpen || package.problem == lorvena::PackageProblem::NotAFile
        || package.problem == lorvena::PackageProblem::Empty)
        return resultFileProblem;
    File file(fdopen(package.file.get(), "rb"));
    if (!file)
        return resultFileProblem;
    package.file.release();
    const std::uint64_t size = package.length;
    if (!session->connected)
        return resultNotConnected;

    std::lock_guard lock(session->control);
    if (session->closed)
        return resultUnknownHandle;
    if (session->updating)
        return resultBusy;
    // Not updating: an earlier update thread has left its last lock and is
    // ending, so this join is brief.
    if (session->updateThread.joinable())
        session->updateThread.join();
    // Set before the thread starts; it clears the flag under this lock, so
    // only after this call has returned.
    session->updating = true;
    try {
        session->updateThread = std::thread(
            UpdateRun(*session, std::move(file), size, routine, user));
    } catch (const std::system_error&) {
        session->updating = false;
        return resultBusy;
    }
    return resultOk;
}

int32_t ZAZADA_CloseServer(int32_t handle)
{
    std::shared_ptr<Session> session = sessions().find(handle);
    if (!session)
        return resultUnknownHandle;
    std::thread messageThread;
    std::thread updateThread;
    {
        std::lock_guard lock(session->control);
        if (calledFromOwnThread(*session))
            return resultCalledFromRoutine; // joining itself would never end
        if (session->closed)
            return resultUnknownHandle;
        session->closed = true;
        messageThread = std::move(session->messageThread);
        updateThread = std::move(session->updateThread);
    }
    sessions().remove(handle);
    session->stopping = true;
    // Wakes a send or receive blocked on the connection at once.
    shutdown(session->socket.get(), SHUT_RDWR);
    if (messageThread.joinable())
        messageThread.join();
    if (updateThread.joinable())
        updateThread.join();
    return resultOk;
}

} // extern "C"
