#include "ui/CDlgUpgrade.h"

#include "controls/CColorStatic.h"
#include "controls/CGradientProgressCtrl.h"
#include "controls/CPngButton.h"
#include "ui/WindowFont.h"

#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

using Id = CDlgUpgrade::Id;

const QString skinDirectory = QStringLiteral(LORVENA_TEST_SKIN_DIR);

template <typename Widget>
Widget* controlOf(const CDlgUpgrade& panel, Id id)
{
    auto* widget = qobject_cast<Widget*>(panel.control(id));
    EXPECT_NE(widget, nullptr) << "control " << static_cast<int>(id);
    return widget;
}

TEST(UpgradePanel, ShowsItsTextsInItsControls)
{
    CDlgUpgrade panel(skinDirectory, nullptr);
    struct Label {
        Id id;
        const char* text;
    } labels[] = {
        {Id::PathLabel, "Ścieżka"},
        {Id::StatusLabel, "Stan"},
        {Id::UserNameLabel, "Użytkownik"},
        {Id::PasswordLabel, "Hasło "},
        {Id::NoteLabel, "Informacja"},
    };
    for (const Label& label : labels) {
        SCOPED_TRACE(label.text);
        auto* shown = controlOf<CColorStatic>(panel, label.id);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->text(), QString::fromUtf8(label.text));
        EXPECT_EQ(shown->textColour(), QColor(Qt::black));
        EXPECT_TRUE(shown->isTransparent());
    }

    EXPECT_EQ(controlOf<QLineEdit>(panel, Id::Path)->text(), "");
    EXPECT_EQ(controlOf<QLineEdit>(panel, Id::UserName)->text(), "admin");
    EXPECT_EQ(controlOf<QLineEdit>(panel, Id::Password)->text(), "");
    EXPECT_EQ(controlOf<QLineEdit>(panel, Id::Password)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(controlOf<QLineEdit>(panel, Id::UserName)->echoMode(), QLineEdit::Normal);

    auto* note = controlOf<QPlainTextEdit>(panel, Id::Note);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->toPlainText(), QString::fromUtf8("Aktualizacja trwa od 1 do 10 minut, nie wolno wyłączać zasilania. "
                                                     "Po aktualizacji nastąpi automatyczny restart."));
    EXPECT_TRUE(note->isReadOnly());
    EXPECT_FALSE(note->isEnabled());

    for (Id id : {Id::PathLabel, Id::Path, Id::StatusLabel, Id::UserNameLabel, Id::UserName, Id::PasswordLabel,
             Id::Password, Id::NoteLabel, Id::Note})
        EXPECT_EQ(panel.control(id)->font(), windowTextFont()) << static_cast<int>(id);
    EXPECT_NE(panel.progress()->font(), windowTextFont());
}

TEST(UpgradePanel, SkinButtonsTakeTheirImagesSize)
{
    CDlgUpgrade panel(skinDirectory, nullptr);
    struct Case {
        Id id;
        const char* image;
    } cases[] = {{Id::Browse, "Browse.png"}, {Id::Upgrade, "Upgrade.png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        const QImage strip(skinDirectory + QString::fromLatin1(c.image));
        ASSERT_FALSE(strip.isNull()) << "the skin has no " << c.image;
        auto* button = controlOf<CPngButton>(panel, c.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->size(), QSize(strip.width() / 4, strip.height()));
    }
    EXPECT_EQ(controlOf<CPngButton>(panel, Id::Browse)->text(), "...");
    EXPECT_EQ(controlOf<CPngButton>(panel, Id::Upgrade)->text(), "Upgrade");
}

TEST(UpgradePanel, ControlsStandInOneColumnInsideThePanelWithoutOverlapping)
{
    CDlgUpgrade panel(skinDirectory, nullptr);
    EXPECT_EQ(panel.size(), QSize(250, 400));
    // Top to bottom; the "..." button shares the path's row.
    const Id column[] = {Id::PathLabel, Id::Path, Id::StatusLabel, Id::Progress, Id::UserNameLabel, Id::UserName,
        Id::PasswordLabel, Id::Password, Id::Upgrade, Id::NoteLabel, Id::Note};
    std::vector<std::pair<Id, QRect>> placed;
    int previousBottom = -1;
    for (Id id : column) {
        const QRect place = panel.control(id)->geometry();
        EXPECT_GT(place.top(), previousBottom) << static_cast<int>(id);
        previousBottom = place.bottom();
        placed.emplace_back(id, place);
    }
    const QRect browse = panel.control(Id::Browse)->geometry();
    EXPECT_EQ(browse.top(), panel.control(Id::Path)->geometry().top());
    placed.emplace_back(Id::Browse, browse);

    for (const auto& [id, place] : placed) {
        EXPECT_TRUE(panel.rect().contains(place)) << static_cast<int>(id);
        EXPECT_FALSE(place.isEmpty()) << static_cast<int>(id);
        for (const auto& [otherId, other] : placed)
            EXPECT_TRUE(id == otherId || !place.intersects(other)) << static_cast<int>(id) << " " << int(otherId);
    }
}

TEST(UpgradePanel, StartsWithTheIdleBarOnItsOwnBackground)
{
    CDlgUpgrade panel(skinDirectory, nullptr);
    const CGradientProgressCtrl* bar = panel.progress();
    EXPECT_EQ(panel.control(Id::Progress), bar);
    EXPECT_FALSE(bar->showsPercent());
    EXPECT_EQ(bar->startColour(), QColor(255, 255, 255));
    EXPECT_EQ(bar->endColour(), QColor(240, 240, 240));
    EXPECT_EQ(bar->lower(), 0);
    EXPECT_EQ(bar->upper(), 100);
    EXPECT_EQ(bar->position(), 99);

    const QImage shown = panel.grab().toImage();
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(248, 248, 248));
    EXPECT_EQ(shown.pixelColor(2, 397), QColor(248, 248, 248));
    // The bar's left end, white, then a pale grey at its right end.
    const QRect place = bar->geometry();
    EXPECT_EQ(shown.pixelColor(place.left(), place.center().y()), QColor(255, 255, 255));
    EXPECT_EQ(shown.pixelColor(place.right(), place.center().y()), QColor(241, 241, 241));
}

// A window with the panel and shortcuts for the keys the panel swallows, as
// the main window has for Enter.
class PanelKeysTest : public testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 450);
        panel = new CDlgUpgrade(skinDirectory, &window);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space}) {
            auto* shortcut = new QShortcut(QKeySequence(key), &window);
            QObject::connect(shortcut, &QShortcut::activated, [this] { ++shortcutsFired; });
        }
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget window;
    CDlgUpgrade* panel = nullptr;
    int shortcutsFired = 0;
};

TEST_F(PanelKeysTest, EnterEscapeAndSpaceTypeNothingAndReachNoShortcut)
{
    for (Id id : {Id::Path, Id::UserName, Id::Password}) {
        SCOPED_TRACE(static_cast<int>(id));
        auto* edit = static_cast<QLineEdit*>(panel->control(id));
        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("a b"));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space})
            QTest::keyClick(edit, key);
        EXPECT_EQ(edit->text(), "ab");
    }
    EXPECT_EQ(shortcutsFired, 0);
}

TEST_F(PanelKeysTest, KeysDoNotPressTheButtons)
{
    QSignalSpy browse(panel, &CDlgUpgrade::browseClicked);
    QSignalSpy upgrade(panel, &CDlgUpgrade::upgradeClicked);
    for (Id id : {Id::Browse, Id::Upgrade}) {
        QWidget* button = panel->control(id);
        button->setFocus();
        ASSERT_TRUE(button->hasFocus());
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(button, key);
    }
    EXPECT_EQ(browse.count(), 0);
    EXPECT_EQ(upgrade.count(), 0);
    EXPECT_EQ(shortcutsFired, 0);
    EXPECT_TRUE(panel->isVisible());

    // The mouse still presses them.
    for (Id id : {Id::Browse, Id::Upgrade}) {
        QWidget* button = panel->control(id);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    EXPECT_EQ(browse.count(), 1);
    EXPECT_EQ(upgrade.count(), 1);
}

TEST(UpgradePanelFilter, PairsOfLabelAndPatternsBecomeQtsFilterList)
{
    EXPECT_EQ(CDlgUpgrade::qtFileFilter(upgradeFileFilter).toStdString(),
        "所有文件 (*);;图片 (*.gif *.jpg);;HTML (*.HTM *.HTML);;PACKAGE (*.package);;FLS (*.FLS)");

    struct Case {
        const char* name;
        const char* filter;
        const char* qt;
    } cases[] = {
        {"empty", "", ""},
        {"label without patterns", "Firmware|", ""},
        {"empty patterns", "Firmware|;;|B|*.b||", ""},
        {"no closing bars", "Firmware|*.bin;*.img", "Firmware (*.bin *.img)"},
        {"label naming other patterns", "Firmware (*.x)|*.bin", "Firmware (*.bin)"},
        {"parenthesis inside the label", "Pliki (nowe) obrazy|*.bin||", "Pliki (nowe) obrazy (*.bin)"},
        {"nothing after the closing bars", "A|*.a||B|*.b", "A (*.a)"},
        {"a dangling label", "A|*.a|B", "A (*.a)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDlgUpgrade::qtFileFilter(c.filter).toStdString(), c.qt) << c.name;
}

} // namespace
} // namespace lorvena
