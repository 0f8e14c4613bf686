#include "app/SoftCloseServer.h"

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
            connect(connection, &QLocalSocket::readyRead, this, [this, connection] { readLine(connection); });
            connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
        }
    });
}

QString SoftCloseServer::listen(const QString& path)
{
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
