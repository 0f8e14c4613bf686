#include "controls/CNumEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace lorvena {
namespace {

void commit(CNumEdit& edit, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(&edit, &event);
}

TEST(CNumEdit, TypingLeavesOnlyDigitsAndBackspace)
{
    struct Case {
        const char* typing;
        bool locked;
        const char* before;
        std::function<void(CNumEdit&)> type;
        const char* after;
    } cases[] = {
        {"8 a 0", false, "", [](CNumEdit& e) { QTest::keyClicks(&e, "8a0"); }, "80"},
        {"punctuation and blanks", false, "8", [](CNumEdit& e) { QTest::keyClicks(&e, " -.+,x"); }, "8"},
        {"Backspace", false, "80", [](CNumEdit& e) { QTest::keyClick(&e, Qt::Key_Backspace); }, "8"},
        {"Home then a digit", false, "80",
            [](CNumEdit& e) {
                QTest::keyClick(&e, Qt::Key_Home);
                QTest::keyClick(&e, Qt::Key_1);
            },
            "180"},
        {"Ctrl+V", false, "80", [](CNumEdit& e) { QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier); }, "80"},
        {"Shift+Insert", false, "80", [](CNumEdit& e) { QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier); }, "80"},
        {"Ctrl+X", false, "80",
            [](CNumEdit& e) {
                e.selectAll();
                QTest::keyClick(&e, Qt::Key_X, Qt::ControlModifier);
            },
            "80"},
        {"Shift+Delete", false, "80",
            [](CNumEdit& e) {
                e.selectAll();
                QTest::keyClick(&e, Qt::Key_Delete, Qt::ShiftModifier);
            },
            "80"},
        {"Ctrl+A then a digit", false, "80",
            [](CNumEdit& e) {
                QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(&e, Qt::Key_9);
            },
            "809"},
        {"Ctrl+Z", false, "8",
            [](CNumEdit& e) {
                QTest::keyClick(&e, Qt::Key_0);
                QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
            },
            "80"},
        {"an input method's digits", false, "8", [](CNumEdit& e) { commit(e, QStringLiteral("0")); }, "80"},
        {"an input method's letters", false, "8", [](CNumEdit& e) { commit(e, QStringLiteral("0x")); }, "8"},
        {"digits while locked", true, "554", [](CNumEdit& e) { QTest::keyClicks(&e, "12"); }, "554"},
        {"Backspace and Delete while locked", true, "554",
            [](CNumEdit& e) {
                QTest::keyClick(&e, Qt::Key_Backspace);
                QTest::keyClick(&e, Qt::Key_Home);
                QTest::keyClick(&e, Qt::Key_Delete);
            },
            "554"},
        {"an input method while locked", true, "554", [](CNumEdit& e) { commit(e, QStringLiteral("1")); }, "554"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typing);
        QApplication::clipboard()->setText(QStringLiteral("clip"));
        CNumEdit edit;
        edit.setText(QString::fromUtf8(c.before));
        edit.setLocked(c.locked);
        c.type(edit);
        EXPECT_EQ(edit.text(), c.after);
        EXPECT_EQ(QApplication::clipboard()->text(), "clip");
    }
}

TEST(CNumEdit, CopyShortcutsLeaveTheClipboardAlone)
{
    for (QKeyCombination keys : {Qt::ControlModifier | Qt::Key_C, Qt::ControlModifier | Qt::Key_Insert}) {
        QApplication::clipboard()->setText(QStringLiteral("clip"));
        CNumEdit edit;
        edit.setText(QStringLiteral("80"));
        edit.selectAll();
        QTest::keyClick(&edit, keys.key(), keys.keyboardModifiers());
        EXPECT_EQ(QApplication::clipboard()->text(), "clip");
    }
}

TEST(CNumEdit, TheProgramAndTheContextMenuStillPutTextIn)
{
    for (bool locked : {false, true}) {
        CNumEdit edit;
        edit.setLocked(locked);
        edit.setText(QStringLiteral("8080"));
        EXPECT_EQ(edit.text(), "8080");
        QApplication::clipboard()->setText(QStringLiteral("1"));
        edit.end(false);
        edit.paste(); // what the context menu's Paste does
        EXPECT_EQ(edit.text(), "80801");
    }
}

} // namespace
} // namespace lorvena
