#include "controls/CDlgBuffer.h"
#include "controls/CPngButton.h"
#include "controls/ControlsTestSupport.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace lorvena {
namespace {

using testing_support::clickAt;

// A skin folder holding a 200 x 20 "Cancel.png" of four opaque frames.
class BusyDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        QImage strip(200, 20, QImage::Format_ARGB32);
        strip.fill(Qt::darkGray);
        ASSERT_TRUE(strip.save(skins.filePath(QStringLiteral("Cancel.png"))));
        dialog = std::make_unique<CDlgBuffer>(skins.path() + QLatin1Char('/'));
    }

    // Runs the dialog; `whileRunning` acts once it is up.
    int run(std::function<void()> whileRunning)
    {
        QTimer::singleShot(0, dialog.get(), std::move(whileRunning));
        return dialog->run();
    }

    QTemporaryDir skins;
    std::unique_ptr<CDlgBuffer> dialog;
};

TEST_F(BusyDialogTest, OnlyCancelOrItsOwnerEndIt)
{
    struct Case {
        const char* ending;
        std::function<void(CDlgBuffer&)> end;
        int result;
    } cases[] = {
        {"the owner", [](CDlgBuffer& d) { d.end(5); }, 5},
        {"Cancel", [](CDlgBuffer& d) { clickAt(d, d.cancelButton()->geometry().center()); }, 2},
        {"closing the window", [](CDlgBuffer& d) { d.close(); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ending);
        bool stayedOpen = false;
        const int result = run([&] {
            for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Delete})
                QTest::keyClick(dialog.get(), key);
            stayedOpen = dialog->isVisible();
            c.end(*dialog);
        });
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(result, c.result);
        EXPECT_FALSE(dialog->isVisible());
    }
    dialog->end(7); // not running: nothing to end
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(BusyDialogTest, SitsLeftOfTheScreenCentreWithCancelAtItsPlace)
{
    QPoint shownAt;
    run([&] {
        shownAt = dialog->pos();
        dialog->end(0);
    });
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(shownAt, QPoint((screen.width() - 285) / 2 - 135, (screen.height() - 128) / 2));
    EXPECT_EQ(dialog->size(), QSize(285, 128));
    EXPECT_TRUE(dialog->windowFlags() & Qt::FramelessWindowHint);
    // Control 1048 at (12, 57) dialog units, shaped by its 50 x 20 frame.
    EXPECT_EQ(dialog->cancelButton()->geometry(), QRect(19, 89, 50, 20));

    struct Case {
        QSize screen;
        QPoint at;
    } cases[] = {
        {{1920, 1080}, {682, 476}}, {{1366, 768}, {405, 320}}, {{1280, 1024}, {362, 448}}, {{285, 128}, {-135, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDlgBuffer::placement(c.screen), c.at) << c.screen.width() << "x" << c.screen.height();
}

TEST_F(BusyDialogTest, ShowsOnlyItsPictureAndCancel)
{
    // A small picture, red on the left and blue on the right, stretched
    // over the whole dialog.
    QPixmap picture(57, 32);
    picture.fill(Qt::blue);
    QPainter(&picture).fillRect(0, 0, 28, 32, Qt::red);
    dialog->setBackground(picture);
    dialog->show();
    const QImage shown = dialog->grab().toImage();
    dialog->hide();

    const QRect cancel = dialog->cancelButton()->geometry();
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 285; ++x) {
            QColor expected = cancel.contains(x, y) ? QColor(Qt::darkGray) : x < 140 ? QColor(Qt::red) : QColor(Qt::blue);
            if (x >= 138 && x <= 142)
                continue; // where the stretched halves meet
            ASSERT_EQ(shown.pixelColor(x, y), expected) << x << "," << y;
        }
    }
}

} // namespace
} // namespace lorvena
