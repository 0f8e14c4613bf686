#pragma once

#include <QWidget>

namespace lorvena {

// The upgrade panel shown by the Upgrade tab, below the tab buttons. For
// now it holds no controls: the firmware upgrade fills it.
class CDlgUpgrade final : public QWidget {
    Q_OBJECT

public:
    explicit CDlgUpgrade(QWidget* parent);

    void clearPassword() {}
    void resetProgress() {}
};

} // namespace lorvena
