#include "ui/CTavrinDlg.h"

#include "control/MainController.h"
#include "controls/CGradientProgressCtrl.h"
#include "ui/CDlgUpgrade.h"
#include "ui/QtMessagePoster.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

using Id = CDlgUpgrade::Id;

// The new-generation window, which has the Upgrade tab, with no network
// addresses: nothing is ever sent.
class UpgradePanelWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<CTavrinDlg>(QStringLiteral(LORVENA_TEST_SKIN_DIR), 1);
        poster = std::make_unique<QtMessagePoster>(window.get());
        controller = std::make_unique<MainController>(1,
            MainController::Dependencies {*window, *poster, [] { return std::vector<std::uint32_t> {}; }});
        window->attach(*controller);
        window->setMessageSink([this](const QString& text) { messages << text; });
        panel = window->upgradePanel();
        panel->setFileChooser([this](QWidget*, const QString& filter) {
            filters << filter;
            return chosenFile;
        });
        controller->initialise();
        window->show();
    }

    void TearDown() override { controller->shutdownSearch(); }

    QLineEdit* edit(Id id) const { return static_cast<QLineEdit*>(panel->control(id)); }
    void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center()); }

    std::unique_ptr<CTavrinDlg> window;
    std::unique_ptr<QtMessagePoster> poster;
    std::unique_ptr<MainController> controller;
    CDlgUpgrade* panel = nullptr;
    QString chosenFile;
    QStringList filters;
    QStringList messages;
};

TEST_F(UpgradePanelWindowTest, TheUpgradeTabShowsThePanelUnderTheModifyTab)
{
    EXPECT_FALSE(panel->isVisibleTo(window.get()));
    const QRect modifyTab = window->control(ControlId::ModifyTab)->geometry();
    EXPECT_EQ(panel->geometry(), QRect(modifyTab.left(), modifyTab.bottom() + 1, 250, 400));
    EXPECT_TRUE(window->rect().contains(panel->geometry()));
    click(window->control(ControlId::UpgradeTab));
    EXPECT_TRUE(panel->isVisibleTo(window.get()));
    click(window->control(ControlId::ModifyTab));
    EXPECT_FALSE(panel->isVisibleTo(window.get()));
}

TEST_F(UpgradePanelWindowTest, FieldsAreReadAndShownAllAtOnce)
{
    MainView& view = *window;
    EXPECT_EQ(view.readUpgradePanel(), (UpgradeFields {"", "admin", ""}));

    const UpgradeFields typed {"/tmp/ścieżka/fw.package", "Admin", "tajne hasło"};
    edit(Id::Path)->setText(QString::fromStdString(typed.path));
    edit(Id::UserName)->setText(QString::fromStdString(typed.userName));
    edit(Id::Password)->setText(QString::fromStdString(typed.password));
    EXPECT_EQ(view.readUpgradePanel(), typed);

    // Showing the same text leaves the caret where the user put it.
    edit(Id::UserName)->setCursorPosition(2);
    view.writeUpgradePanel({"", "admin", typed.password});
    EXPECT_EQ(edit(Id::Path)->text(), "");
    EXPECT_EQ(edit(Id::UserName)->text(), "admin");
    edit(Id::Password)->setCursorPosition(3);
    view.writeUpgradePanel({"", "admin", typed.password});
    EXPECT_EQ(edit(Id::Password)->cursorPosition(), 3);

    view.writeUpgradePanel(typed);
    view.clearUpgradePanelPassword();
    EXPECT_EQ(view.readUpgradePanel(), (UpgradeFields {typed.path, typed.userName, ""}));
}

TEST_F(UpgradePanelWindowTest, TheBarTakesTheLookItIsGiven)
{
    MainView& view = *window;
    const CGradientProgressCtrl* bar = panel->progress();
    struct Look {
        bool percent;
        QColor start;
        QColor end;
    };
    const Look runningLook {true, QColor(0, 255, 0), QColor(0, 0, 255)};
    const Look idleLook {false, QColor(255, 255, 255), QColor(240, 240, 240)};
    auto expectLook = [&](const Look& look, int position) {
        EXPECT_EQ(bar->showsPercent(), look.percent);
        EXPECT_EQ(bar->startColour(), look.start);
        EXPECT_EQ(bar->endColour(), look.end);
        EXPECT_EQ(bar->lower(), 0);
        EXPECT_EQ(bar->upper(), 100);
        EXPECT_EQ(bar->position(), position);
    };

    expectLook(idleLook, 99);
    view.showUpgradeBar(UpgradeBar::runningAt(40));
    expectLook(runningLook, 40);
    view.resetUpgradeProgress();
    expectLook(runningLook, 0);
    view.showUpgradeBar(UpgradeBar::idle());
    expectLook(idleLook, 99);
    view.resetUpgradeProgress();
    expectLook(idleLook, 0);
}

TEST_F(UpgradePanelWindowTest, TheFileDialogGetsTheFilterInQtsForm)
{
    MainView& view = *window;
    chosenFile = QStringLiteral("/tmp/obraz ł.package");
    EXPECT_EQ(view.chooseUpgradeFile(), std::optional<std::string>("/tmp/obraz ł.package"));
    chosenFile.clear();
    EXPECT_EQ(view.chooseUpgradeFile(), std::nullopt);
    ASSERT_EQ(filters.size(), 2);
    // What the dialog is handed, letter for letter: Qt's "label (patterns)"
    // entries, every file as "*" (a "*.*" would leave out names without a dot).
    const QString expected =
        QStringLiteral("所有文件 (*);;图片 (*.gif *.jpg);;HTML (*.HTM *.HTML);;PACKAGE (*.package);;FLS (*.FLS)");
    EXPECT_EQ(filters[0], expected);
    EXPECT_EQ(filters[1], expected);
}

TEST_F(UpgradePanelWindowTest, ThePanelsButtonsReachTheController)
{
    click(window->control(ControlId::UpgradeTab));
    chosenFile = QStringLiteral("/tmp/fw.package");
    click(panel->control(Id::Browse));
    EXPECT_EQ(filters.size(), 1);
    EXPECT_EQ(edit(Id::Path)->text(), chosenFile);

    // No device is selected.
    click(panel->control(Id::Upgrade));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Please choose the device!");
}

TEST_F(UpgradePanelWindowTest, FocusGoesToTheUserName)
{
    click(window->control(ControlId::UpgradeTab));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    edit(Id::Path)->setFocus();
    static_cast<MainView&>(*window).focusUpgradeUserName();
    EXPECT_EQ(QApplication::focusWidget(), panel->control(Id::UserName));
}

} // namespace
} // namespace lorvena
