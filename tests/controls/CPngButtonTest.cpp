#include "controls/CPngButton.h"
#include "controls/ControlsTestSupport.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace lorvena {
namespace {

using testing_support::clickAt;
using testing_support::doubleClickAt;
using testing_support::moveTo;
using testing_support::showWindow;
using testing_support::shownAt;

const QColor backdrop(Qt::yellow);
const QColor frameColours[4] = {Qt::red, Qt::green, Qt::blue, Qt::gray};

// A 400 x 30 strip: frame f is filled with its own colour, except its
// leftmost f + 1 columns, which are transparent, so each frame has a shape
// of its own.
QImage fourFrames(int transparentFrame = -1)
{
    QImage strip(400, 30, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    for (int frame = 0; frame < 4; ++frame) {
        if (frame == transparentFrame)
            continue;
        for (int x = frame * 100 + frame + 1; x < (frame + 1) * 100; ++x) {
            for (int y = 0; y < 30; ++y)
                strip.setPixelColor(x, y, frameColours[frame]);
        }
    }
    return strip;
}

// A yellow window with a skin button at (10, 20) whose image is read from
// a PNG file.
class ButtonWindow {
public:
    explicit ButtonWindow(const QImage& strip)
    {
        window.resize(200, 100);
        window.setAutoFillBackground(true);
        QPalette colours = window.palette();
        colours.setColor(QPalette::Window, backdrop);
        window.setPalette(colours);
        button = new CPngButton(&window);
        button->move(10, 20);
        const QString path = skins.filePath(QStringLiteral("button.png"));
        strip.save(path);
        button->setImage(path);
        showWindow(window);
    }

    // The colour shown at `x`, `y` of the button.
    QColor shown(int x, int y) { return shownAt(window, button->pos() + QPoint(x, y)); }
    QPoint at(int x, int y) const { return button->pos() + QPoint(x, y); }

    QTemporaryDir skins;
    QWidget window;
    CPngButton* button = nullptr;
};

TEST(CPngButton, TakesOneFramesSizeWhereItStands)
{
    ButtonWindow w(fourFrames());
    EXPECT_EQ(w.button->geometry(), QRect(10, 20, 100, 30));
}

TEST(CPngButton, MissingImageLeavesNoButton)
{
    CPngButton button;
    button.setImage(QStringLiteral("/nonexistent/skin.png"));
    EXPECT_EQ(button.size(), QSize(0, 0));
}

TEST(CPngButton, ShowsTheFrameAndShapeOfItsState)
{
    struct Case {
        const char* state;
        std::function<void(ButtonWindow&)> enter;
        int frame;
    } cases[] = {
        {"normal", [](ButtonWindow&) {}, 0},
        {"hovered", [](ButtonWindow& w) { moveTo(w.window, w.at(50, 15)); }, 1},
        {"pressed", [](ButtonWindow& w) { QTest::mousePress(w.window.windowHandle(), Qt::LeftButton, {}, w.at(50, 15)); }, 2},
        {"pressed, then released off it",
            [](ButtonWindow& w) {
                QTest::mousePress(w.window.windowHandle(), Qt::LeftButton, {}, w.at(50, 15));
                QTest::mouseRelease(w.window.windowHandle(), Qt::LeftButton, {}, QPoint(190, 90));
            },
            0},
        {"selected", [](ButtonWindow& w) { w.button->setSelected(true); }, 2},
        {"selected and hovered",
            [](ButtonWindow& w) {
                w.button->setSelected(true);
                moveTo(w.window, w.at(50, 15));
            },
            2},
        {"disabled", [](ButtonWindow& w) { w.button->setEnabled(false); }, 3},
        {"selected but disabled",
            [](ButtonWindow& w) {
                w.button->setSelected(true);
                w.button->setEnabled(false);
            },
            3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        ButtonWindow w(fourFrames());
        c.enter(w);
        EXPECT_EQ(w.shown(50, 15), frameColours[c.frame]);
        // Frame f's shape starts after its f + 1 transparent columns.
        EXPECT_EQ(w.shown(c.frame, 15), backdrop);
        EXPECT_EQ(w.shown(c.frame + 1, 15), frameColours[c.frame]);
        EXPECT_FALSE(w.button->mask().contains(QPoint(c.frame, 15)));
        EXPECT_TRUE(w.button->mask().contains(QPoint(c.frame + 1, 15)));
        if (w.button->isDown())
            QTest::mouseRelease(w.window.windowHandle(), Qt::LeftButton, {}, w.at(50, 15));
    }
}

TEST(CPngButton, HoverEndsWhenTheMouseLeaves)
{
    ButtonWindow w(fourFrames());
    moveTo(w.window, w.at(50, 15));
    EXPECT_EQ(w.shown(50, 15), frameColours[1]);
    moveTo(w.window, QPoint(150, 80));
    EXPECT_EQ(w.shown(50, 15), frameColours[0]);
}

TEST(CPngButton, ClicksCountOnlyOnTheShape)
{
    ButtonWindow w(fourFrames());
    QSignalSpy clicks(w.button, &QAbstractButton::clicked);
    // The pointer over the button shows the hover frame, and with it that
    // frame's shape, which starts at x = 2.
    for (int x : {0, 1})
        clickAt(w.window, w.at(x, 15));
    EXPECT_EQ(clicks.count(), 0);
    // Pressed, the button takes frame 2's shape, from x = 3 on; the release
    // at x = 2 is still on the button.
    clickAt(w.window, w.at(2, 15));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(CPngButton, AFullyTransparentFrameIsNeitherVisibleNorClickable)
{
    ButtonWindow w(fourFrames(0));
    QSignalSpy clicks(w.button, &QAbstractButton::clicked);
    EXPECT_EQ(w.shown(50, 15), backdrop);
    clickAt(w.window, w.at(50, 15));
    EXPECT_EQ(clicks.count(), 0);
}

// Width 402: frames are drawn 100 pixels apart, from x = 200 for frame 2,
// but frame 2's shape is read from x = floor(402 * 2 / 4) = 201 on.
TEST(CPngButton, AWidthNotAMultipleOfFourKeepsBothFrameRules)
{
    QImage strip(402, 30, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    for (int y = 0; y < 30; ++y) {
        strip.setPixelColor(200, y, Qt::red);
        for (int x = 201; x < 300; ++x)
            strip.setPixelColor(x, y, Qt::blue);
    }
    ButtonWindow w(strip);
    w.button->setSelected(true);
    EXPECT_EQ(w.button->size(), QSize(100, 30));
    EXPECT_EQ(w.shown(0, 15), QColor(Qt::red));    // drawn from x = 200, shaped by x = 201
    EXPECT_EQ(w.shown(98, 15), QColor(Qt::blue));  // drawn from x = 298, shaped by x = 299
    EXPECT_EQ(w.shown(99, 15), backdrop);          // drawn from x = 299, shaped by transparent x = 300

    struct Case {
        int width, frame;
        QRect drawnFrom;
    } sources[] = {
        {400, 0, QRect(0, 0, 100, 30)}, {400, 2, QRect(200, 0, 100, 30)},
        {403, 3, QRect(300, 0, 100, 30)}, {3, 1, QRect(0, 0, 0, 30)},
    };
    for (const Case& c : sources)
        EXPECT_EQ(CPngButton::frameSource(QSize(c.width, 30), c.frame), c.drawnFrom) << c.width << " " << c.frame;
}

TEST(CPngButton, FrameChoice)
{
    using F = CPngButton::Frame;
    struct Case {
        bool disabled, pressed, selected, hover;
        F frame;
    } cases[] = {
        {false, false, false, false, F::Normal}, {false, false, false, true, F::Hover},
        {false, true, false, false, F::Pressed}, {false, false, true, false, F::Pressed},
        {false, false, true, true, F::Pressed}, {true, false, false, true, F::Disabled},
        {true, true, true, true, F::Disabled},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CPngButton::frameFor(c.disabled, c.pressed, c.selected, c.hover), c.frame);
}

TEST(CPngButton, TwoQuickClicksAreTwoClicks)
{
    // Qt sends the second press before the double-click; a sender may also
    // deliver the double-click in place of the second press.
    struct Case {
        const char* delivery;
        std::function<void(ButtonWindow&)> clickTwice;
    } cases[] = {
        {"from the window system", [](ButtonWindow& w) { doubleClickAt(w.window, w.at(50, 15)); }},
        {"double-click for the second press",
            [](ButtonWindow& w) {
                for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                         QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
                    const bool down = type != QEvent::MouseButtonRelease;
                    QMouseEvent event(type, QPointF(50, 15), QPointF(50, 15), Qt::LeftButton,
                        down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                    QCoreApplication::sendEvent(w.button, &event);
                }
            }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delivery);
        ButtonWindow w(fourFrames());
        QSignalSpy clicks(w.button, &QAbstractButton::clicked);
        c.clickTwice(w);
        EXPECT_EQ(clicks.count(), 2);
    }
}

TEST(CPngButton, ToolTipKeepsItsTextWhenGivenNone)
{
    CPngButton button;
    button.setToolTipText(QStringLiteral("Stare"));
    button.setToolTipText(QString());
    EXPECT_EQ(button.toolTip(), "Stare");
}

} // namespace
} // namespace lorvena
