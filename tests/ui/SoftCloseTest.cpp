#include "app/CTavrinApp.h"
#include "app/SoftCloseServer.h"
#include "platform/MessageQueue.h"
#include "platform/SoftCloseChannel.h"

#include "ui/UiTestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <future>

namespace lorvena {
namespace {

TEST(SoftStart, OnlyTheExactArgumentText)
{
    struct Case {
        QStringList arguments;
        bool soft;
    } cases[] = {
        {{QStringLiteral("-Soft")}, true},
        {{QStringLiteral("-soft")}, false},
        {{QStringLiteral("-Soft ")}, false},
        {{QStringLiteral("-Soft"), QStringLiteral("x")}, false},
        {{}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CTavrinApp::isSoftStart(c.arguments), c.soft) << c.arguments.join(QLatin1Char('|')).toStdString();
}

TEST(SoftCloseChannel, AnotherProcessesMessageArrivesAsAWindowMessage)
{
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("soft-close"));
    MessageQueue queue;
    SoftCloseServer server(queue);
    ASSERT_EQ(server.listen(path), QString());

    // The sender blocks in connect/send, so it runs off the event loop's thread.
    auto sendFromElsewhere = [&](unsigned number) {
        return std::async(std::launch::async, [number, p = path.toStdString()] { return SoftCloseChannel::send(number, p); });
    };
    auto waitForMessages = [&](std::size_t count) {
        testing_support::pumpUntil([&] { return queue.size() >= count; }, 2000);
    };

    auto other = sendFromElsewhere(1234); // not ours: ignored
    EXPECT_EQ(other.get(), "");
    auto soft = sendFromElsewhere(6024);
    EXPECT_EQ(soft.get(), "");
    waitForMessages(1);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue.tryTake()->id, MessageId::SoftClose);

    EXPECT_NE(SoftCloseChannel::send(6024, folder.filePath(QStringLiteral("nobody")).toStdString()), "");
}

// A listener of another user planted at our path (as anyone can in /tmp):
// the request is not sent to it, and the window does not take over its name.
TEST(SoftCloseChannel, AnotherUsersSocketIsNeitherUsedNorReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to play another user";
    QTemporaryDir folder;
    ASSERT_EQ(::chmod(folder.path().toLocal8Bit().constData(), 0777), 0);
    const std::string path = folder.filePath(QStringLiteral("soft-close")).toStdString();

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t stranger = ::fork();
    ASSERT_GE(stranger, 0);
    if (stranger == 0) {
        constexpr uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            _exit(1);
        int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 4) != 0)
            _exit(2);
        ::chmod(path.c_str(), 0777);
        (void)!::write(ready[1], "x", 1);
        ::pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);

    EXPECT_NE(SoftCloseChannel::send(6024, path).find("belongs to another user"), std::string::npos);
    MessageQueue queue;
    SoftCloseServer server(queue);
    EXPECT_NE(server.listen(QString::fromStdString(path)), QString());
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534u) << "the stranger's socket is left where it was";

    ::kill(stranger, SIGKILL);
    ::waitpid(stranger, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
} // namespace lorvena
