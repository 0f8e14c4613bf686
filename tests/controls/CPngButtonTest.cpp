#include "controls/CPngButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

const QColor frameColours[4] = {Qt::red, Qt::green, Qt::blue, Qt::gray};

// A strip of four frames, each filled with its own colour except for a
// transparent column at its left edge (so shapes are visible in the mask).
QImage makeStrip(int width, int height, int transparentFrame = -1)
{
    QImage strip(width, height, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    for (int x = 0; x < width; ++x) {
        int frame = std::min(3, x / (width / 4));
        if (frame == transparentFrame || x % (width / 4) == 0)
            continue;
        for (int y = 0; y < height; ++y)
            strip.setPixelColor(x, y, frameColours[frame]);
    }
    return strip;
}

QColor centre(CPngButton& button)
{
    return button.grab().toImage().pixelColor(button.width() / 2, button.height() / 2);
}

TEST(CPngButton, TakesTheFramesSizeAndDrawsTheFrameOfItsState)
{
    QWidget parent;
    auto* button = new CPngButton(&parent);
    button->move(10, 20);
    button->setImage(makeStrip(400, 30));
    EXPECT_EQ(button->geometry(), QRect(10, 20, 100, 30));
    EXPECT_EQ(centre(*button), frameColours[0]);

    button->setSelected(true); // a tab: the pressed frame whatever the mouse does
    EXPECT_EQ(centre(*button), frameColours[2]);
    button->setEnabled(false);
    EXPECT_EQ(centre(*button), frameColours[3]);
}

TEST(CPngButton, FrameChoice)
{
    using F = CPngButton::Frame;
    struct Case {
        bool disabled, pressed, selected, hover;
        F frame;
    } cases[] = {
        {false, false, false, false, F::Normal}, {false, false, false, true, F::Hover},
        {false, true, false, true, F::Pressed}, {false, false, true, true, F::Pressed},
        {true, true, true, true, F::Disabled},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CPngButton::frameFor(c.disabled, c.pressed, c.selected, c.hover), c.frame);
}

TEST(CPngButton, HoverShowsFrameOneUntilTheMouseLeaves)
{
    CPngButton button;
    button.setImage(makeStrip(400, 30));
    QEnterEvent enter(QPointF(50, 15), QPointF(50, 15), QPointF(50, 15));
    QCoreApplication::sendEvent(&button, &enter);
    EXPECT_EQ(centre(button), frameColours[1]);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_EQ(centre(button), frameColours[0]);
}

TEST(CPngButton, ShapeIsTheFramesOpaquePixels)
{
    QImage strip = makeStrip(400, 30);
    QRegion shape = CPngButton::frameShape(strip, 2);
    EXPECT_FALSE(shape.contains(QPoint(0, 5)));  // the transparent column
    EXPECT_TRUE(shape.contains(QPoint(1, 5)));
    EXPECT_TRUE(shape.contains(QPoint(99, 29)));
    EXPECT_FALSE(shape.contains(QPoint(100, 5))); // beyond the frame

    // Width 402: frames are drawn 100 pixels apart, but frame 2's shape is
    // read from x = floor(402 * 2 / 4) = 201.
    QImage odd(402, 4, QImage::Format_ARGB32);
    odd.fill(Qt::transparent);
    odd.setPixelColor(201, 0, Qt::black);
    EXPECT_TRUE(CPngButton::frameShape(odd, 2).contains(QPoint(0, 0)));
    EXPECT_EQ(CPngButton::frameShape(odd, 2).rectCount(), 1);
}

TEST(CPngButton, AFullyTransparentFrameIsNeitherVisibleNorClickable)
{
    QWidget parent;
    parent.resize(200, 100);
    auto* button = new CPngButton(&parent);
    button->setImage(makeStrip(400, 30, 0));
    parent.show();
    EXPECT_FALSE(button->mask().contains(QPoint(50, 15)));
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mouseClick(&parent, Qt::LeftButton, {}, QPoint(50, 15));
    EXPECT_EQ(clicks.count(), 0);
}

TEST(CPngButton, TwoQuickClicksAreTwoClicks)
{
    CPngButton button;
    button.setImage(makeStrip(400, 30));
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    // What the system delivers for two quick clicks: the second press comes
    // as a double-click.
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
             QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(50, 15), QPointF(50, 15), Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &event);
    }
    EXPECT_EQ(clicks.count(), 2);
}

TEST(CPngButton, MissingImageLeavesNoButton)
{
    CPngButton button;
    button.setImage(QStringLiteral("/nonexistent/skin.png"));
    EXPECT_EQ(button.size(), QSize(0, 0));
}

} // namespace
} // namespace lorvena
