#include "ui/CDlgUpgrade.h"

namespace lorvena {

CDlgUpgrade::CDlgUpgrade(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("upgradePanel"));
}

} // namespace lorvena
