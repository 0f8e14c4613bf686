#include "ui/ArtworkColours.h"

#include <QPalette>
#include <QWidget>

namespace lorvena {

void useArtworkColours(QWidget* control)
{
    const QColor field(248, 248, 248);
    QPalette colours = control->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = group == QPalette::Disabled ? QColor(120, 120, 120) : QColor(Qt::black);
        colours.setColor(group, QPalette::WindowText, text);
        colours.setColor(group, QPalette::ButtonText, text);
        colours.setColor(group, QPalette::Text, text);
        colours.setColor(group, QPalette::Window, field);
        colours.setColor(group, QPalette::Button, field);
        // The box of a check box.
        colours.setColor(group, QPalette::Base, Qt::white);
    }
    control->setPalette(colours);
}

} // namespace lorvena
