#include "controls/CIpAddressEdit.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace lorvena {

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(new QIntValidator(0, 255, field));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (text.size() == 3 && i + 1 < fields_.size()) {
                fields_[i + 1]->setFocus();
                fields_[i + 1]->selectAll();
            }
            emit addressChanged();
        });
        fields_[i] = field;
    }
    for (QLabel*& dot : dots_) {
        dot = new QLabel(QStringLiteral("."), this);
        dot->setAlignment(Qt::AlignCenter);
    }
    setFocusProxy(fields_[0]);
}

void CIpAddressEdit::setAddress(std::uint32_t address)
{
    if (address == this->address() && !fields_[0]->text().isEmpty())
        return;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        QString octet = QString::number((address >> (8 * (3 - i))) & 0xFFu);
        if (fields_[i]->text() != octet)
            fields_[i]->setText(octet);
    }
}

std::uint32_t CIpAddressEdit::address() const
{
    std::uint32_t address = 0;
    for (QLineEdit* field : fields_)
        address = (address << 8) | (field->text().toUInt() & 0xFFu);
    return address;
}

int CIpAddressEdit::indexOf(QObject* watched) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i] == watched)
            return static_cast<int>(i);
    }
    return -1;
}

bool CIpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    int index = indexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* field = fields_[static_cast<std::size_t>(index)];
    if ((key->key() == Qt::Key_Period || key->key() == Qt::Key_Comma) && index < 3) {
        if (!field->text().isEmpty()) {
            fields_[static_cast<std::size_t>(index + 1)]->setFocus();
            fields_[static_cast<std::size_t>(index + 1)]->selectAll();
        }
        return true;
    }
    if (key->key() == Qt::Key_Backspace && field->text().isEmpty() && index > 0) {
        QLineEdit* previous = fields_[static_cast<std::size_t>(index - 1)];
        previous->setFocus();
        previous->setCursorPosition(previous->text().size());
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void CIpAddressEdit::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layOut();
}

void CIpAddressEdit::layOut()
{
    QRect inside = contentsRect();
    const int dotWidth = 4;
    int fieldWidth = (inside.width() - 3 * dotWidth) / 4;
    int x = inside.left();
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        fields_[i]->setGeometry(x, inside.top(), fieldWidth, inside.height());
        x += fieldWidth;
        if (i < dots_.size()) {
            dots_[i]->setGeometry(x, inside.top(), dotWidth, inside.height());
            x += dotWidth;
        }
    }
}

} // namespace lorvena
