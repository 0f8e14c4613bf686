#include "app/SoftCloseServer.h"

#include "platform/SoftCloseChannel.h"

#include <QLocalSocket>

namespace lorvena {

namespace {
// A peer gets one short line; anything longer is not ours.
constexpr qint64 maxLineLength = 32;
} // namespace

SoftCloseServer::SoftCloseServer(MessagePoster& poster, QObject* parent) : QObject(parent), poster_(poster)
{
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = server_.nextPendingConnection()) {
            // Only this user's programs may close the window.
            if (!SoftCloseChannel::peerIsThisUser(static_cast<int>(connection->socketDescriptor()))) {
                connection->abort();
                connection->deleteLater();
                continue;
            }
            connect(connection, &QLocalSocket::readyRead, this, [this, connection] { readLine(connection); });
            connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        }
    });
}

QString SoftCloseServer::listen(const QString& path)
{
    // Another user's socket or file in our place is theirs to keep, and a
    // close request through it would not reach us: refuse to listen.
    if (std::string problem = SoftCloseChannel::listenProblem(path.toStdString()); !problem.empty())
        return QString::fromStdString(problem);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(path))
        return {};
    // A socket file left by a crashed instance blocks the name.
    QLocalServer::removeServer(path);
    if (server_.listen(path))
        return {};
    return server_.errorString();
}

void SoftCloseServer::readLine(QLocalSocket* connection)
{
    if (!connection->canReadLine()) {
        if (connection->bytesAvailable() > maxLineLength)
            connection->abort();
        return;
    }
    QByteArray line = connection->readLine(maxLineLength).trimmed();
    bool isNumber = false;
    unsigned number = line.toUInt(&isNumber);
    if (isNumber && number == static_cast<unsigned>(MessageId::SoftClose))
        poster_.post({MessageId::SoftClose, 0, 0, {}});
    connection->disconnectFromServer();
}

} // namespace lorvena
