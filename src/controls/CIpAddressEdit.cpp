#include "controls/CIpAddressEdit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace lorvena {

namespace {

constexpr int dotWidth = 4;
constexpr unsigned maxOctet = 255;

bool typesDigit(const QKeyEvent& key)
{
    const QString text = key.text();
    return text.size() == 1 && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

// An address reads as one field: its label's name and the dotted address
// as its value, the way it is shown.
class IpAddressAccessible final : public QAccessibleWidget {
public:
    explicit IpAddressAccessible(CIpAddressEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return static_cast<const CIpAddressEdit*>(widget())->dottedText();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* ipAddressAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String(CIpAddressEdit::staticMetaObject.className()))
        return new IpAddressAccessible(static_cast<CIpAddressEdit*>(object));
    return nullptr;
}

} // namespace

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    // Three digits at most; values above 255 are brought down when typed.
    const QRegularExpression octet(QStringLiteral("[0-9]{0,3}"));
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setValidator(new QRegularExpressionValidator(octet, field));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { octetEdited(i); });
        fields_[i] = field;
    }
    for (QLabel*& dot : dots_) {
        dot = new QLabel(QStringLiteral("."), this);
        dot->setAlignment(Qt::AlignCenter);
    }
    setFocusProxy(fields_[0]);
    // One stop for Tab, as one field: the others are reached by typing on,
    // by '.' and by the arrows.
    for (std::size_t i = 1; i < fields_.size(); ++i)
        fields_[i]->setFocusPolicy(Qt::ClickFocus);
    static const bool readAsOneField = (QAccessible::installFactory(ipAddressAccessible), true);
    Q_UNUSED(readAsOneField);
}

void CIpAddressEdit::setAddress(std::uint32_t address)
{
    bool changed = false;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const QString octet = QString::number((address >> (8 * (3 - i))) & 0xFFu);
        if (fields_[i]->text() != octet) {
            fields_[i]->setText(octet);
            changed = true;
        }
    }
    if (changed)
        emit addressChanged();
}

std::uint32_t CIpAddressEdit::address() const
{
    std::uint32_t address = 0;
    for (QLineEdit* field : fields_)
        address = (address << 8) | std::min(field->text().toUInt(), maxOctet);
    return address;
}

QString CIpAddressEdit::dottedText() const
{
    const std::uint32_t value = address();
    return QStringLiteral("%1.%2.%3.%4")
        .arg((value >> 24) & 0xFFu)
        .arg((value >> 16) & 0xFFu)
        .arg((value >> 8) & 0xFFu)
        .arg(value & 0xFFu);
}

void CIpAddressEdit::setFieldsName(const QString& name)
{
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        fields_[i]->setAccessibleName(name);
        fields_[i]->setAccessibleDescription(QStringLiteral("część %1 z 4").arg(i + 1));
    }
}

QSize CIpAddressEdit::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int fieldWidth = metrics.horizontalAdvance(QStringLiteral("000")) + 6;
    return QSize(4 * fieldWidth + 3 * dotWidth + 2 * frameWidth(), metrics.height() + 4 + 2 * frameWidth());
}

QRect CIpAddressEdit::fieldRect(const QRect& contents, int index)
{
    const int fieldWidth = (contents.width() - 3 * dotWidth) / 4;
    return QRect(contents.left() + index * (fieldWidth + dotWidth), contents.top(), fieldWidth, contents.height());
}

void CIpAddressEdit::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    const QRect contents = contentsRect();
    for (int i = 0; i < 4; ++i) {
        const QRect field = fieldRect(contents, i);
        fields_[static_cast<std::size_t>(i)]->setGeometry(field);
        if (i < 3)
            dots_[static_cast<std::size_t>(i)]->setGeometry(field.right() + 1, contents.top(), dotWidth, contents.height());
    }
}

void CIpAddressEdit::octetEdited(std::size_t index)
{
    QLineEdit* field = fields_[index];
    if (field->text().toUInt() > maxOctet)
        field->setText(QString::number(maxOctet));
    if (field->text().size() == 3 && field->cursorPosition() == 3)
        moveTo(static_cast<int>(index) + 1, true);
    emit addressChanged();
}

bool CIpAddressEdit::moveTo(int index, bool selectAll)
{
    if (index < 0 || index >= static_cast<int>(fields_.size()))
        return false;
    QLineEdit* field = fields_[static_cast<std::size_t>(index)];
    field->setFocus();
    if (selectAll)
        field->selectAll();
    return true;
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
    const int index = indexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* field = fields_[static_cast<std::size_t>(index)];
    const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();

    if (key->key() == Qt::Key_Period || key->key() == Qt::Key_Comma) {
        // A dot ends a started octet; in an empty field it is ignored.
        if (!field->text().isEmpty())
            moveTo(index + 1, true);
        return true;
    }
    if (typesDigit(*key) && field->text().size() == 3 && atEnd) {
        // The octet is full: the digit starts the next one.
        if (moveTo(index + 1, true))
            QCoreApplication::sendEvent(fields_[static_cast<std::size_t>(index + 1)], key);
        return true;
    }
    if (key->key() == Qt::Key_Backspace && field->text().isEmpty()) {
        if (moveTo(index - 1, false))
            fields_[static_cast<std::size_t>(index - 1)]->end(false);
        return true;
    }
    if (key->key() == Qt::Key_Right && key->modifiers() == Qt::NoModifier && atEnd) {
        if (moveTo(index + 1, false))
            fields_[static_cast<std::size_t>(index + 1)]->home(false);
        return true;
    }
    if (key->key() == Qt::Key_Left && key->modifiers() == Qt::NoModifier && atStart) {
        if (moveTo(index - 1, false))
            fields_[static_cast<std::size_t>(index - 1)]->end(false);
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace lorvena
