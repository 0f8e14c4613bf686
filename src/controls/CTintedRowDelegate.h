#pragma once

#include <QStyledItemDelegate>

namespace lorvena {

// Draws a list cell that carries a background of its own (a row marked
// as confirmed, not seen, or in conflict) with black or white text,
// whichever stands out from that background. The theme's text colour is
// chosen for the theme's own background: a dark theme's light text would
// vanish on the pale tints of marked rows. A cell with a text colour of
// its own keeps it.
class CTintedRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Black on light backgrounds, white on dark ones.
    static QColor textColourOn(const QColor& background);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace lorvena
