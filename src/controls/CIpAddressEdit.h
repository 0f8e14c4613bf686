#pragma once

#include <QFrame>

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;

namespace lorvena {

// An IPv4 address control: four octet fields in one box with dots between
// them. Each field takes up to three digits and at most 255. A third digit,
// or '.', moves on to the next field, and a digit typed into a full field
// goes on into the next one; Backspace in an empty field goes back. The
// value is 32-bit in host order, first octet most significant; an empty
// field counts as 0. Tab enters at the first field and leaves the box
// from any of them. Assistive technology reads the box as one editable
// field (named by its label, valued with the dotted address).
class CIpAddressEdit final : public QFrame {
    Q_OBJECT

public:
    explicit CIpAddressEdit(QWidget* parent = nullptr);

    void setAddress(std::uint32_t address);
    std::uint32_t address() const;
    // The address as the box shows it: "10.1.1.30".
    QString dottedText() const;

    // The name the four fields are read by (the box's label); each says
    // which part of the address it holds.
    void setFieldsName(const QString& name);

    QLineEdit* field(int index) const { return fields_[static_cast<std::size_t>(index)]; }

    QSize sizeHint() const override;

    // Where field `index` lies in a box whose inside is `contents`; the dots
    // fill the gaps between the fields.
    static QRect fieldRect(const QRect& contents, int index);

Q_SIGNALS:
    // The address changed, typed or set.
    void addressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void octetEdited(std::size_t index);
    bool moveTo(int index, bool selectAll);
    int indexOf(QObject* watched) const;

    std::array<QLineEdit*, 4> fields_ {};
    std::array<QLabel*, 3> dots_ {};
};

} // namespace lorvena
