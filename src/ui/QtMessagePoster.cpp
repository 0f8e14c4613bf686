#include "ui/QtMessagePoster.h"

#include <QCoreApplication>

namespace lorvena {

QEvent::Type WindowMessageEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void QtMessagePoster::post(WindowMessage message)
{
    // postEvent is thread-safe and takes ownership of the event.
    QCoreApplication::postEvent(target_, new WindowMessageEvent(std::move(message)));
}

} // namespace lorvena
