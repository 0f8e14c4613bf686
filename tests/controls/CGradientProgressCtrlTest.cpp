#include "controls/CGradientProgressCtrl.h"
#include "controls/ControlsTestSupport.h"
#include "controls/GradientBands.h"

#include <QCoreApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace lorvena {
namespace {

using testing_support::showWindow;

const QColor green(0, 255, 0);
const QColor blue(0, 0, 255);
const QColor white(255, 255, 255);
const QColor paleGrey(240, 240, 240);

// The bar as the upgrade panel shows it while uploading.
void running(CGradientProgressCtrl& bar, int position)
{
    bar.ShowPercent(true);
    bar.SetStartColour(green);
    bar.SetEndColour(blue);
    bar.SetPosition(position);
}

QImage painted(CGradientProgressCtrl& bar)
{
    return bar.grab().toImage();
}

bool isRunningBand(const QColor& c)
{
    return c.red() == 0 && c.green() + c.blue() == 255;
}

TEST(CGradientProgressCtrl, StartsAsAnEmptyGreenToBlueBarOfZeroToHundred)
{
    CGradientProgressCtrl bar;
    EXPECT_EQ(bar.lower(), 0);
    EXPECT_EQ(bar.upper(), 100);
    EXPECT_EQ(bar.step(), 10);
    EXPECT_EQ(bar.position(), 0);
    EXPECT_FALSE(bar.showsPercent());
    EXPECT_EQ(bar.startColour(), green);
    EXPECT_EQ(bar.endColour(), blue);
    EXPECT_EQ(bar.backgroundColour(), bar.palette().color(QPalette::Button));
    EXPECT_EQ(bar.textColour(), QColor(Qt::black));
}

TEST(CGradientProgressCtrl, APositionAtEitherEndOfTheRangeShowsAnEmptyBarWithoutText)
{
    for (int position : {0, 100, -3, 250}) {
        SCOPED_TRACE(position);
        CGradientProgressCtrl bar;
        bar.resize(200, 20);
        running(bar, position);
        const QImage image = painted(bar);
        const QColor face = bar.palette().color(QPalette::Button);
        int others = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                others += image.pixelColor(x, y) != face;
        }
        EXPECT_EQ(others, 0);
    }
}

TEST(CGradientProgressCtrl, HalfwayShowsTheFirstHalfOfTheGradientUpToItsBandEdge)
{
    CGradientProgressCtrl bar;
    bar.resize(200, 20);
    running(bar, 50);
    const QImage image = painted(bar);

    // The top row is clear of the text.
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 254, 1)); // band 0 is 0 pixels wide
    EXPECT_EQ(image.pixelColor(50, 0), QColor(0, 190, 65));
    EXPECT_EQ(image.pixelColor(100, 0), QColor(0, 127, 128)); // band 128, the one passing x = 100
    int previousGreen = 256;
    for (int x = 0; x <= 100; ++x) {
        const QColor shown = image.pixelColor(x, 0);
        ASSERT_TRUE(isRunningBand(shown)) << "x = " << x;
        EXPECT_LE(shown.green(), previousGreen) << "x = " << x;
        previousGreen = shown.green();
    }
    for (int x = 101; x < 200; ++x)
        ASSERT_EQ(image.pixelColor(x, 0), bar.backgroundColour()) << "x = " << x;
}

TEST(CGradientProgressCtrl, DrawsThePercentageCentredOnlyWhenAsked)
{
    for (bool showPercent : {true, false}) {
        SCOPED_TRACE(showPercent ? "with percentage" : "without");
        CGradientProgressCtrl bar;
        bar.resize(200, 20);
        running(bar, 50);
        bar.ShowPercent(showPercent);
        const QImage image = painted(bar);
        // Text pixels: neither a band nor the background, and all of them
        // around the middle of the bar.
        QRect text;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor shown = image.pixelColor(x, y);
                if (!isRunningBand(shown) && shown != bar.backgroundColour())
                    text |= QRect(x, y, 1, 1);
            }
        }
        EXPECT_EQ(!text.isEmpty(), showPercent);
        if (showPercent) {
            EXPECT_NEAR(text.center().x(), 100, 3);
            EXPECT_NEAR(text.center().y(), 10, 3);
            EXPECT_LT(text.width(), 60);
        }
    }
}

TEST(CGradientProgressCtrl, IdleLookIsAPaleFullWidthGradientWithoutText)
{
    CGradientProgressCtrl bar;
    bar.resize(200, 20);
    bar.ShowPercent(false);
    bar.SetStartColour(white);
    bar.SetEndColour(paleGrey);
    bar.SetRange(0, 100);
    bar.SetPosition(99);
    const QImage image = painted(bar);
    EXPECT_EQ(image.pixelColor(0, 10), white);
    EXPECT_EQ(image.pixelColor(199, 10), QColor(241, 241, 241));
    for (int x = 0; x < 200; ++x) {
        const QColor shown = image.pixelColor(x, 10);
        ASSERT_TRUE(shown.red() == shown.green() && shown.green() == shown.blue() && shown.red() > 240) << x;
    }

    const GradientLayout layout = gradientLayout(200, filledWidth(99, 100, 200), white.rgb(), paleGrey.rgb());
    EXPECT_EQ(layout.bands.size(), 15u);
    EXPECT_EQ(layout.bands.back().right, 200);
}

TEST(CGradientProgressCtrl, EqualColoursLeaveTheWholeBarToTheBackground)
{
    CGradientProgressCtrl bar;
    bar.resize(200, 20);
    bar.SetStartColour(Qt::red);
    bar.SetEndColour(Qt::red);
    bar.SetPosition(50);
    const QImage image = painted(bar);
    for (int x : {0, 50, 100, 199})
        EXPECT_EQ(image.pixelColor(x, 10), bar.backgroundColour()) << x;
}

TEST(CGradientProgressCtrl, RepaintsOnlyWhenAValueChanges)
{
    QWidget window;
    window.resize(220, 40);
    auto* bar = new CGradientProgressCtrl(&window);
    bar->setGeometry(10, 10, 200, 20);
    showWindow(window);

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    bar->installEventFilter(&counter);
    auto paintsAfter = [&](const std::function<void()>& change) {
        QCoreApplication::processEvents();
        counter.paints = 0;
        change();
        QCoreApplication::processEvents();
        return counter.paints;
    };

    struct Case {
        const char* setter;
        std::function<void(CGradientProgressCtrl&)> same;
        std::function<void(CGradientProgressCtrl&)> changed;
    } cases[] = {
        {"SetPosition", [](auto& b) { b.SetPosition(0); }, [](auto& b) { b.SetPosition(40); }},
        {"SetRange", [](auto& b) { b.SetRange(0, 100); }, [](auto& b) { b.SetRange(0, 80); }},
        {"ShowPercent", [](auto& b) { b.ShowPercent(false); }, [](auto& b) { b.ShowPercent(true); }},
        {"SetStartColour", [](auto& b) { b.SetStartColour(green); }, [](auto& b) { b.SetStartColour(white); }},
        {"SetEndColour", [](auto& b) { b.SetEndColour(blue); }, [](auto& b) { b.SetEndColour(paleGrey); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setter);
        EXPECT_EQ(paintsAfter([&] { c.same(*bar); }), 0);
        EXPECT_GE(paintsAfter([&] { c.changed(*bar); }), 1);
        EXPECT_EQ(paintsAfter([&] { c.changed(*bar); }), 0);
        c.same(*bar);
    }
}

TEST(GradientBands, FilledWidthIsTheTruncatedShareOfTheWidth)
{
    struct Case {
        int position, upper, width, filled;
    } cases[] = {
        {50, 100, 200, 100}, {99, 100, 200, 198}, {1, 3, 200, 66}, {2, 3, 200, 133}, {1, 100, 50, 0},
        // Ranges this system never sets still give a width on the bar.
        {-5, 0, 200, 0}, {-5, -1, 200, 200}, {-5, 10, 200, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(filledWidth(c.position, c.upper, c.width), c.filled) << c.position << " of " << c.upper;
}

TEST(GradientBands, TheBandPassingTheFilledWidthIsTheLast)
{
    const GradientLayout half = gradientLayout(200, 100, green.rgb(), blue.rgb());
    ASSERT_EQ(half.bands.size(), 129u);
    EXPECT_EQ(half.bands.back().left, 100);
    EXPECT_EQ(half.bands.back().right, 101);
    EXPECT_EQ(half.backgroundFrom, 101);
    for (std::size_t i = 0; i < half.bands.size(); ++i)
        ASSERT_EQ(half.bands[i].colour, qRgb(0, 255 - int(i), int(i))) << "band " << i;

    // Channels that fall and rise by different amounts step each by its own
    // share; a band's colour is truncated, never rounded.
    const GradientLayout mixed = gradientLayout(300, 299, qRgb(10, 200, 0), qRgb(13, 100, 50));
    ASSERT_EQ(mixed.bands.size(), 100u);
    EXPECT_EQ(mixed.bands[1].colour, qRgb(10, 199, 0));
    EXPECT_EQ(mixed.bands[34].colour, qRgb(11, 166, 17));
    EXPECT_EQ(mixed.bands[99].colour, qRgb(12, 101, 49));

    EXPECT_TRUE(gradientLayout(200, 100, blue.rgb(), blue.rgb()).bands.empty());
    EXPECT_EQ(gradientLayout(200, 100, blue.rgb(), blue.rgb()).backgroundFrom, 0);
}

TEST(GradientBands, PercentageHasNoDecimals)
{
    struct Case {
        int position, upper;
        const char* text;
    } cases[] = {{1, 3, "33%"}, {2, 3, "67%"}, {50, 100, "50%"}, {99, 100, "99%"}, {1, 300, "0%"}, {2, 7, "29%"}};
    for (const Case& c : cases)
        EXPECT_EQ(percentText(c.position, c.upper), QString::fromLatin1(c.text)) << c.position << " of " << c.upper;
}

} // namespace
} // namespace lorvena
