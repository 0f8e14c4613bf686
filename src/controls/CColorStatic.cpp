#include "controls/CColorStatic.h"

#include <QPalette>

namespace lorvena {

CColorStatic::CColorStatic(QWidget* parent)
    : QLabel(parent)
    , text_(palette().color(QPalette::ButtonText))
    , background_(palette().color(QPalette::Button))
{
    applyColours();
}

void CColorStatic::setTextColour(const QColor& colour)
{
    if (text_ == colour)
        return;
    text_ = colour;
    applyColours();
}

void CColorStatic::setBackgroundColour(const QColor& colour)
{
    if (background_ == colour)
        return;
    background_ = colour;
    applyColours();
}

void CColorStatic::setTransparent(bool transparent)
{
    if (transparent_ == transparent)
        return;
    transparent_ = transparent;
    applyColours();
}

void CColorStatic::applyColours()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, text_);
    colours.setColor(QPalette::Window, background_);
    setPalette(colours);
    setAutoFillBackground(!transparent_);
    update();
}

} // namespace lorvena
