#include "controls/CDlgBuffer.h"

#include "controls/CPictureEx.h"
#include "controls/CPngButton.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace lorvena {

namespace {

// The dialog's layout is 181 x 82 dialog units shown as 285 x 128 pixels.
QRect unitsToPixels(int x, int y, int width, int height)
{
    auto px = [](int units, int pixels, int total) { return (units * pixels * 2 + total) / (2 * total); };
    return QRect(px(x, CDlgBuffer::widthPixels, 181), px(y, CDlgBuffer::heightPixels, 82),
        px(width, CDlgBuffer::widthPixels, 181), px(height, CDlgBuffer::heightPixels, 82));
}

} // namespace

CDlgBuffer::CDlgBuffer(const QString& skinDirectory, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
    setFixedSize(widthPixels, heightPixels);

    auto* picture = new CPictureEx(this);
    picture->setGeometry(unitsToPixels(31, 8, 58, 10));
    auto* label = new QLabel(QStringLiteral("Wyszukiwanie..."), this);
    label->setGeometry(unitsToPixels(0, 30, 174, 15));
    label->setAlignment(Qt::AlignCenter);
    label->hide();

    cancel_ = new CPngButton(this);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->move(unitsToPixels(12, 57, 50, 14).topLeft());
    cancel_->setImage(skinDirectory + QStringLiteral("Cancel.png"));
    connect(cancel_, &QAbstractButton::clicked, this, [this] { done(cancelResult); });
}

void CDlgBuffer::setBackground(const QPixmap& picture)
{
    background_ = picture;
    update();
}

int CDlgBuffer::run()
{
    return exec();
}

void CDlgBuffer::end(int result)
{
    if (isVisible())
        done(result);
}

QPoint CDlgBuffer::placement(const QSize& screen)
{
    return QPoint((screen.width() - widthPixels) / 2 - 135, (screen.height() - heightPixels) / 2);
}

void CDlgBuffer::showEvent(QShowEvent* event)
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(placement(screen->size()));
    QDialog::showEvent(event);
}

void CDlgBuffer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (background_.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawPixmap(rect(), background_);
}

void CDlgBuffer::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space:
    case Qt::Key_Delete:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace lorvena
