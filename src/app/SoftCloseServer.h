#pragma once

#include "platform/WindowMessage.h"

#include <QLocalServer>
#include <QObject>

namespace lorvena {

// Listens on the per-user soft-close socket and posts what arrives as a
// window message. Only a window started with "-Soft" runs one.
class SoftCloseServer final : public QObject {
    Q_OBJECT

public:
    SoftCloseServer(MessagePoster& poster, QObject* parent = nullptr);
    // Returns an empty text when listening, otherwise why not.
    QString listen(const QString& path);

private:
    void readLine(class QLocalSocket* connection);

    MessagePoster& poster_;
    QLocalServer server_;
};

} // namespace lorvena
