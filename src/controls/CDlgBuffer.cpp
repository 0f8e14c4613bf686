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

constexpr int widthUnits = 181;
constexpr int heightUnits = 82;

// Rounded to the nearest pixel.
int scale(int units, int pixels, int totalUnits)
{
    return (2 * units * pixels + totalUnits) / (2 * totalUnits);
}

} // namespace

CDlgBuffer::CDlgBuffer(const QString& skinDirectory, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
    setFixedSize(widthPixels, heightPixels);

    // The picture control and the label are there but show nothing: the
    // background picture says it all.
    auto* picture = new CPictureEx(this);
    picture->setGeometry(unitsToPixels(QRect(31, 8, 58, 10)));
    auto* label = new QLabel(QStringLiteral("Wyszukiwanie..."), this);
    label->setGeometry(unitsToPixels(QRect(0, 30, 174, 15)));
    label->setAlignment(Qt::AlignCenter);
    label->hide();

    cancel_ = new CPngButton(this);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setAccessibleName(QStringLiteral("Anuluj"));
    // Space never presses it here (the dialog swallows the key), so it
    // takes no focus and shows no focus mark.
    cancel_->setFocusPolicy(Qt::NoFocus);
    cancel_->move(unitsToPixels(QRect(12, 57, 50, 14)).topLeft());
    cancel_->setImage(skinDirectory + QStringLiteral("Cancel.png"));
    connect(cancel_, &QAbstractButton::clicked, this, [this] { done(cancelResult); });
}

void CDlgBuffer::setBackground(const QPixmap& picture)
{
    if (picture.cacheKey() == background_.cacheKey())
        return;
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

void CDlgBuffer::reject()
{
    done(cancelResult);
}

QPoint CDlgBuffer::placement(const QSize& screen)
{
    return QPoint((screen.width() - widthPixels) / 2 - 135, (screen.height() - heightPixels) / 2);
}

QRect CDlgBuffer::unitsToPixels(const QRect& units)
{
    return QRect(scale(units.x(), widthPixels, widthUnits), scale(units.y(), heightPixels, heightUnits),
        scale(units.width(), widthPixels, widthUnits), scale(units.height(), heightPixels, heightUnits));
}

void CDlgBuffer::showEvent(QShowEvent* event)
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().topLeft() + placement(screen->size()));
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
