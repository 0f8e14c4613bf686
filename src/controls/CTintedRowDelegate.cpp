#include "controls/CTintedRowDelegate.h"

namespace lorvena {

QColor CTintedRowDelegate::textColourOn(const QColor& background)
{
    // Perceived lightness (ITU-R BT.601 weights) against the middle.
    const int lightness = (299 * background.red() + 587 * background.green() + 114 * background.blue()) / 1000;
    return lightness >= 128 ? QColor(Qt::black) : QColor(Qt::white);
}

void CTintedRowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->backgroundBrush.style() == Qt::NoBrush || index.data(Qt::ForegroundRole).isValid())
        return;
    const QColor text = textColourOn(option->backgroundBrush.color());
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        option->palette.setColor(group, QPalette::Text, text);
}

} // namespace lorvena
