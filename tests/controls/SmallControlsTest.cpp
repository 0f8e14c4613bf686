#include "controls/CDlgBuffer.h"
#include "controls/CIpAddressEdit.h"
#include "controls/CNumEdit.h"
#include "controls/CPngButton.h"
#include "controls/CSortListCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

TEST(CNumEdit, TypingPassesDigitsAndBackspaceOnly)
{
    CNumEdit edit;
    QTest::keyClicks(&edit, "8a0");
    EXPECT_EQ(edit.text(), "80");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "8");

    QApplication::clipboard()->setText(QStringLiteral("55"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "8");
    edit.paste(); // the context menu's Paste still works
    EXPECT_EQ(edit.text(), "855");
}

TEST(CNumEdit, LockedTakesNoTypingButTheProgramMaySetIt)
{
    CNumEdit edit;
    edit.setText(QStringLiteral("554"));
    edit.setLocked(true);
    QTest::keyClicks(&edit, "12");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "554");
    edit.setText(QStringLiteral("8080"));
    EXPECT_EQ(edit.text(), "8080");
}

TEST(CIpAddressEdit, RoundTripsAndTypingMovesAcrossOctets)
{
    CIpAddressEdit edit;
    edit.resize(140, 22);
    edit.setAddress(0xC0A8010Au);
    EXPECT_EQ(edit.address(), 0xC0A8010Au);
    EXPECT_EQ(edit.field(3)->text(), "10");

    edit.setAddress(0);
    edit.show();
    edit.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    edit.field(0)->setFocus();
    edit.field(0)->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "10.");
    QTest::keyClicks(QApplication::focusWidget(), "1.");
    QTest::keyClicks(QApplication::focusWidget(), "200");
    QTest::keyClicks(QApplication::focusWidget(), "7");
    EXPECT_EQ(edit.address(), 0x0A01C807u);
}

TEST(CDlgBuffer, OnlyCancelOrTheOwnerEndIt)
{
    CDlgBuffer dialog(QStringLiteral("/nonexistent/"));
    QTimer::singleShot(0, &dialog, [&dialog] {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Delete})
            QTest::keyClick(&dialog, key);
        EXPECT_TRUE(dialog.isVisible());
        dialog.end(5);
    });
    EXPECT_EQ(dialog.run(), 5);

    QTimer::singleShot(0, &dialog, [&dialog] { dialog.cancelButton()->click(); });
    EXPECT_EQ(dialog.run(), CDlgBuffer::cancelResult);
    dialog.end(7); // not running: nothing happens
    EXPECT_EQ(dialog.size(), QSize(285, 128));
    EXPECT_EQ(CDlgBuffer::placement(QSize(1920, 1080)), QPoint(682, 476));
}

class SortListTest : public testing::Test {
protected:
    void SetUp() override { QSettings().remove(QStringLiteral("ListCtrls")); }
    void TearDown() override { QSettings().remove(QStringLiteral("ListCtrls")); }
};

TEST_F(SortListTest, SavedWidthsApplyOnlyWhenTheCountMatches)
{
    auto block = [](std::vector<qint32> values) {
        QByteArray bytes(static_cast<qsizetype>(4 * values.size()), '\0');
        for (std::size_t i = 0; i < values.size(); ++i)
            qToLittleEndian(values[i], bytes.data() + 4 * i);
        return bytes;
    };
    auto columns = columnsOf(TableLayout::OldMode);
    std::vector<qint32> saved {9, 61, 62, 63, 64, 65, 66, 67, 68, 69};
    QSettings().setValue(QStringLiteral("ListCtrls/1000"), block(saved));
    CSortListCtrl list(1000);
    list.setColumns(columns);
    EXPECT_EQ(list.columnWidth(0), 61);
    EXPECT_EQ(list.columnWidth(8), 69);

    QSettings().setValue(QStringLiteral("ListCtrls/1000"), block({3, 200, 200, 200}));
    CSortListCtrl other(1000);
    other.setColumns(columns);
    EXPECT_EQ(other.columnWidth(0), 50);
    EXPECT_EQ(other.columnWidth(1), 80);
    EXPECT_TRUE(CSortListCtrl::storedWidths(QByteArray("\x09\0\0\0", 4), 9).empty()); // truncated block
}

TEST_F(SortListTest, ReportsClicksAndLeavesOrderingToItsOwner)
{
    CSortListCtrl list(1000);
    list.setColumns(columnsOf(TableLayout::OldMode));
    list.resize(600, 300);
    list.addRow({"1", "DVR", "b", "10.0.0.9"});
    list.addRow({"2", "NVR", "a", "10.0.0.10"});
    list.show();

    QSignalSpy headers(&list, &CSortListCtrl::headerClicked);
    QSignalSpy rows(&list, &CSortListCtrl::rowClicked);
    QSignalSpy doubles(&list, &CSortListCtrl::rowDoubleClicked);
    QHeaderView* header = list.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(2) + 5, 5));
    ASSERT_EQ(headers.count(), 1);
    EXPECT_EQ(headers.at(0).at(0).toInt(), 2);
    EXPECT_EQ(list.item(0, 2)->text(), "b"); // not reordered by the list itself

    QRect second = list.visualItemRect(list.item(1, 1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(10, 250)); // below the rows
    ASSERT_EQ(rows.count(), 3);
    EXPECT_EQ(rows.at(0).at(0).toInt(), 1);
    EXPECT_EQ(rows.at(1).at(1).value<Qt::KeyboardModifiers>(), Qt::ControlModifier);
    EXPECT_EQ(rows.at(2).at(0).toInt(), -1);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_GE(doubles.count(), 1);
    EXPECT_EQ(doubles.last().at(0).toInt(), 1);

    list.setMarkedRows({0, 1});
    EXPECT_EQ(list.selectionModel()->selectedRows().size(), 2);
    list.showSortArrow(3, false);
    EXPECT_EQ(header->sortIndicatorSection(), 3);
    list.clearRows();
    EXPECT_EQ(list.rowCount(), 0);
}

} // namespace
} // namespace lorvena
