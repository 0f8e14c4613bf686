#pragma once

#include "platform/WindowMessage.h"

#include <QEvent>
#include <QObject>

namespace lorvena {

// A posted window message travelling through Qt's event queue.
class WindowMessageEvent final : public QEvent {
public:
    static QEvent::Type eventType();

    explicit WindowMessageEvent(WindowMessage message) : QEvent(eventType()), message_(std::move(message)) {}
    const WindowMessage& message() const { return message_; }

private:
    WindowMessage message_;
};

// Posts from any thread; the target receives a WindowMessageEvent on its own
// thread. The target must outlive every poster thread: the window stops the
// receivers and libraries before it is destroyed.
class QtMessagePoster final : public MessagePoster {
public:
    explicit QtMessagePoster(QObject* target) : target_(target) {}
    void post(WindowMessage message) override;

private:
    QObject* target_;
};

} // namespace lorvena
