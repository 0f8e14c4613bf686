// The main window on any theme and scale, and from the keyboard: labels
// stay black on the pale artwork under a dark theme while fields stay
// readable, skin strips keep their shape at twice the scale, Tab and Space
// work the skin buttons, and every control is read by its label.

#include "ui/CTavrinDlg.h"

#include "control/MainController.h"
#include "controls/CIpAddressEdit.h"
#include "controls/CPngButton.h"
#include "controls/CSortListCtrl.h"
#include "controls/ScaledPicture.h"
#include "ui/CDlgUpgrade.h"
#include "ui/QtMessagePoster.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace lorvena {
namespace {

using enum ControlId;

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(235, 235, 235));
    dark.setColor(QPalette::Button, QColor(45, 45, 48));
    dark.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    return dark;
}

int grey(QRgb pixel)
{
    return qGray(pixel);
}

// How far the pixels of `area` stray from its most common colour, in grey
// levels: text drawn in a colour of its own stands out, text drawn in the
// colour behind it (or none) does not.
int contrastIn(const QImage& image, const QRect& area)
{
    std::map<QRgb, int> seen;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++seen[image.pixel(x, y)];
    }
    if (seen.empty())
        return 0;
    QRgb background = seen.begin()->first;
    for (const auto& [colour, count] : seen) {
        if (count > seen[background])
            background = colour;
    }
    int most = 0;
    for (const auto& [colour, count] : seen)
        most = std::max(most, std::abs(grey(colour) - grey(background)));
    return most;
}

// A rectangle of logical pixels in a grab, which has the screen's scale.
QRect inGrab(const QRect& logical, const QImage& grab)
{
    const qreal ratio = grab.devicePixelRatio();
    return QRectF(QPointF(logical.topLeft()) * ratio, QSizeF(logical.size()) * ratio).toRect();
}

class WindowLookTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (controller)
            controller->shutdownSearch();
        QApplication::setPalette(themePalette);
    }

    void open(int searchMode)
    {
        window = std::make_unique<CTavrinDlg>(QStringLiteral(LORVENA_TEST_SKIN_DIR), searchMode);
        poster = std::make_unique<QtMessagePoster>(window.get());
        controller = std::make_unique<MainController>(searchMode,
            MainController::Dependencies {*window, *poster, [] { return std::vector<std::uint32_t> {}; }});
        window->attach(*controller);
        window->setMessageSink([this](const QString& text) { messages << text; });
        controller->initialise();
        window->show();
    }

    // The main window's control that `widget` is, or is a part of.
    ControlId controlOf(const QWidget* widget) const
    {
        for (; widget; widget = widget->parentWidget()) {
            for (int id = 1000; id <= 1051; ++id) {
                if (window->control(static_cast<ControlId>(id)) == widget)
                    return static_cast<ControlId>(id);
            }
        }
        return static_cast<ControlId>(0);
    }

    bool activate()
    {
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        return QTest::qWaitForWindowActive(window.get());
    }

    const QPalette themePalette = QApplication::palette();
    std::unique_ptr<CTavrinDlg> window;
    std::unique_ptr<QtMessagePoster> poster;
    std::unique_ptr<MainController> controller;
    QStringList messages;
};

TEST_F(WindowLookTest, DarkThemeKeepsLabelsBlackOnTheArtworkAndFieldsReadable)
{
    QApplication::setPalette(darkPalette());
    open(1);
    static_cast<CIpAddressEdit*>(window->control(NewIp))->setAddress(0x0A01011Eu);
    static_cast<QLineEdit*>(window->control(HttpPort))->setText(QStringLiteral("8080"));
    CSortListCtrl* list = window->deviceList();
    // Rows of the list's own, past the controller: every cell says "Kamera".
    list->setCellReader([](std::size_t, int) -> const std::string& {
        static const std::string text = "Kamera";
        return text;
    });
    list->queueRow();
    list->setRowCheck(0, RowMark::Confirmed, "");
    list->queueRow();
    list->setRowCheck(1, RowMark::NotSeen, "");
    QCoreApplication::processEvents();

    const QImage shot = window->grab().toImage();
    for (ControlId label :
        {IpLabel, MaskLabel, GatewayLabel, HttpPortLabel, UserNameLabel, PasswordLabel, DhcpLabel, OnvifMaskLabel}) {
        SCOPED_TRACE(static_cast<int>(label));
        const QRect place = inGrab(window->control(label)->geometry(), shot);
        int darkest = 255;
        for (int y = place.top(); y <= place.bottom(); ++y) {
            for (int x = place.left(); x <= place.right(); ++x)
                darkest = std::min(darkest, grey(shot.pixel(x, y)));
        }
        EXPECT_LT(darkest, 80) << "the label's text is not dark on the pale field";
    }
    // Edits follow the theme, but their text stands out from their ground.
    for (ControlId field : {NewIp, HttpPort, UserName}) {
        SCOPED_TRACE(static_cast<int>(field));
        QWidget* widget = window->control(field);
        const QImage image = widget->grab().toImage();
        EXPECT_GT(contrastIn(image, inGrab(widget->rect().adjusted(3, 3, -3, -3), image)), 100);
    }
    // So do the rows with a tint of their own.
    for (int tinted : {0, 1}) {
        SCOPED_TRACE(tinted);
        const QImage image = list->viewport()->grab().toImage();
        const QRect cell = inGrab(list->visualRect(list->model()->index(tinted, 2)).adjusted(2, 2, -2, -2), image);
        EXPECT_GT(contrastIn(image, cell), 100);
    }
}

TEST_F(WindowLookTest, SkinStripsKeepTheirSizeAndShapeAtTwiceTheScale)
{
    for (const char* file : {"search.png", "close.png", "Tip.png", "Upgrade.png"}) {
        const QString path = QStringLiteral(LORVENA_TEST_SKIN_DIR) + QString::fromUtf8(file);
        const QImage plain = loadScaledPicture(path, 1.0);
        ASSERT_FALSE(plain.isNull()) << file;
        const QSize logical(plain.width() / 4, plain.height());
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(std::string(file) + " at " + std::to_string(ratio));
            const QImage strip = loadScaledPicture(path, ratio);
            EXPECT_EQ(strip.devicePixelRatio(), ratio) << "no drawing of that scale";
            QWidget parent;
            parent.resize(400, 100);
            auto* button = new CPngButton(&parent);
            button->move(10, 10);
            button->setImage(strip);
            EXPECT_EQ(button->size(), logical);
            // The rounded corners let clicks through; the body takes them.
            EXPECT_EQ(parent.childAt(10, 10), nullptr);
            EXPECT_EQ(parent.childAt(10 + logical.width() - 1, 10), nullptr);
            EXPECT_EQ(parent.childAt(10 + logical.width() / 2, 10 + logical.height() / 2), button);
        }
    }

    // In the window, at whatever scale the screen has (the tests run at 1x
    // and again at 2x): the same shapes, where the layout puts the buttons.
    open(1);
    for (ControlId id : {Search, Close, ModifyTab, ApplyChanges}) {
        SCOPED_TRACE(static_cast<int>(id));
        const QRect place = window->control(id)->geometry();
        EXPECT_NE(window->childAt(place.topLeft()), window->control(id));
        EXPECT_NE(window->childAt(place.topRight()), window->control(id));
        EXPECT_EQ(window->childAt(place.center()), window->control(id));
    }
    // The button shows the drawing made for the screen's scale, pixel for
    // pixel, not another one stretched to it.
    const QImage drawing = loadScaledPicture(QStringLiteral(LORVENA_TEST_SKIN_DIR "search.png"),
        window->devicePixelRatioF());
    const QImage shown = window->control(Search)->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.devicePixelRatio(), drawing.devicePixelRatio());
    const QRect middle(shown.width() / 4, shown.height() / 4, shown.width() / 2, shown.height() / 2);
    EXPECT_EQ(shown.copy(middle), drawing.convertToFormat(QImage::Format_ARGB32).copy(middle));
}

TEST_F(WindowLookTest, TabReachesZmianaIpWhichShowsAFocusMarkAndSpacePressesIt)
{
    open(1);
    ASSERT_TRUE(activate());
    window->control(NewIp)->setFocus();
    ASSERT_EQ(controlOf(QApplication::focusWidget()), NewIp);

    // By their ids, so a failure reads as a list of numbers.
    std::vector<int> expected;
    for (ControlId id : {NetMask, Gateway, Dns, HttpPort, RtspPort, Dhcp, UserName, Password, ApplyChanges})
        expected.push_back(static_cast<int>(id));
    std::vector<int> reached;
    while (reached.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.push_back(static_cast<int>(controlOf(QApplication::focusWidget())));
    }
    EXPECT_EQ(reached, expected);

    auto* apply = static_cast<CPngButton*>(window->control(ApplyChanges));
    ASSERT_TRUE(apply->hasFocus());
    const QImage focused = apply->grab().toImage();
    window->control(Password)->setFocus();
    EXPECT_NE(apply->grab().toImage(), focused) << "no focus mark";
    apply->setFocus(Qt::TabFocusReason);

    // Space presses it: the form is checked, and with no address refused.
    QTest::keyClick(apply, Qt::Key_Space);
    EXPECT_FALSE(messages.isEmpty()) << "Space did not press \"Zmiana IP\"";
}

// The upgrade panel's fields stand where the form's do, and Tab takes them
// in the form's place: between the tabs and the title band's buttons.
TEST_F(WindowLookTest, OnTheUpgradeTabTabGoesThroughThePanelsFields)
{
    open(1);
    ASSERT_TRUE(activate());
    QWidget* upgradeTab = window->control(UpgradeTab);
    QTest::mouseClick(upgradeTab, Qt::LeftButton, {}, upgradeTab->rect().center());
    upgradeTab->setFocus(Qt::TabFocusReason);
    CDlgUpgrade* panel = window->upgradePanel();
    const std::vector<QString> expected {panel->control(CDlgUpgrade::Id::Path)->objectName(),
        panel->control(CDlgUpgrade::Id::UserName)->objectName(),
        panel->control(CDlgUpgrade::Id::Password)->objectName(), window->control(ModeSwitch)->objectName()};
    std::vector<QString> reached;
    while (reached.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.push_back(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(reached, expected);
}

TEST_F(WindowLookTest, EnterOnAFocusedSkinButtonSearchesAsAnywhereElse)
{
    open(0);
    ASSERT_TRUE(activate());
    CSortListCtrl* list = window->deviceList();
    list->queueRow(); // a row left from before, which a search takes away
    list->setRowCheck(0, RowMark::None, "");
    ASSERT_EQ(list->rowCount(), 1);
    window->control(ApplyChanges)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window->control(ApplyChanges), Qt::Key_Return);
    EXPECT_EQ(list->rowCount(), 0) << "Enter did not search";
    EXPECT_TRUE(messages.isEmpty()) << "Enter pressed \"Zmiana IP\"";
}

TEST_F(WindowLookTest, ControlsAreReadByTheirLabelsAndPurpose)
{
    open(1);
    static_cast<CIpAddressEdit*>(window->control(NewIp))->setAddress(0x0A01011Eu);
    struct Case {
        QWidget* widget;
        const char* name;
        const char* value;
    };
    auto* address = static_cast<CIpAddressEdit*>(window->control(NewIp));
    CDlgUpgrade* panel = window->upgradePanel();
    const Case cases[] = {
        {address, "Adres IP", "10.1.1.30"},
        {address->field(2), "Adres IP", "1"},
        {window->control(NetMask), "Maska", "255.255.255.0"},
        // The window's own text, not the template's "Http Port".
        {window->control(HttpPort), "Port HTTP", nullptr},
        {window->control(UserName), "Użytkownik", "admin"},
        {window->control(Password), "Hasło", nullptr},
        {window->control(Dhcp), "DHCP", nullptr},
        {window->control(OnvifMaskCheck), "ONVIF tryb maski", nullptr},
        {window->control(ApplyChanges), "Zmiana IP", nullptr},
        {window->control(Search), "Wyszukaj", nullptr},
        {window->control(ModifyTab), "Konfiguracja", nullptr},
        {window->control(Close), "Zamknij", nullptr},
        {window->control(DeviceList), "Lista urządzeń", nullptr},
        {panel->control(CDlgUpgrade::Id::Path), "Ścieżka", nullptr},
        {panel->control(CDlgUpgrade::Id::Password), "Hasło", nullptr},
        {panel->control(CDlgUpgrade::Id::Upgrade), "Aktualizuj", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(c.widget);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->text(QAccessible::Name).trimmed(), QString::fromUtf8(c.name));
        if (c.value) {
            EXPECT_EQ(read->text(QAccessible::Value), QString::fromUtf8(c.value));
        }
    }
}

} // namespace
} // namespace lorvena
