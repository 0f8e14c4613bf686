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

} // namespace
} // namespace lorvena
