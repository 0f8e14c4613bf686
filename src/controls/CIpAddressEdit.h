#pragma once

#include <QFrame>

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;

namespace lorvena {

// An IPv4 address control: four octet fields in one box with dots between
// them. Typing '.' or a third digit moves on to the next field; Backspace in
// an empty field goes back. The value is 32-bit, first octet most
// significant.
class CIpAddressEdit final : public QFrame {
    Q_OBJECT

public:
    explicit CIpAddressEdit(QWidget* parent = nullptr);

    void setAddress(std::uint32_t address);
    std::uint32_t address() const;

    QLineEdit* field(int index) const { return fields_[static_cast<std::size_t>(index)]; }

Q_SIGNALS:
    void addressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();
    int indexOf(QObject* watched) const;

    std::array<QLineEdit*, 4> fields_ {};
    std::array<QLabel*, 3> dots_ {};
    bool settingAddress_ = false;
};

} // namespace lorvena
