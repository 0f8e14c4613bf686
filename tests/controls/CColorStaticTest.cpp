#include "controls/CColorStatic.h"
#include "controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

using testing_support::showWindow;

bool shows(const QImage& image, const QRect& area, const QColor& colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == colour)
                return true;
        }
    }
    return false;
}

TEST(CColorStatic, DrawsItsTextColourOverItsBackgroundOrWhatLiesBeneath)
{
    const QColor beneath(Qt::yellow);
    struct Case {
        bool transparent;
        QColor background;
    } cases[] = {{true, beneath}, {false, QColor(Qt::green)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.transparent ? "transparent" : "opaque");
        QWidget window;
        window.resize(200, 60);
        window.setAutoFillBackground(true);
        QPalette colours = window.palette();
        colours.setColor(QPalette::Window, beneath);
        window.setPalette(colours);
        auto* label = new CColorStatic(&window);
        label->setGeometry(10, 10, 180, 40);
        QFont font = label->font();
        font.setPixelSize(24);
        font.setBold(true);
        label->setFont(font);
        label->setText(QStringLiteral("IIII"));
        label->setTextColour(Qt::blue);
        label->setBackgroundColour(Qt::green);
        label->setTransparent(c.transparent);
        showWindow(window);

        const QImage shown = window.grab().toImage();
        EXPECT_EQ(shown.pixelColor(185, 45), c.background); // the label's far corner, clear of text
        EXPECT_TRUE(shows(shown, label->geometry(), Qt::blue));
    }
}

} // namespace
} // namespace lorvena
