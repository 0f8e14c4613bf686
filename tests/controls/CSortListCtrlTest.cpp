#include "controls/CSortListCtrl.h"
#include "controls/ControlsTestSupport.h"
#include "controls/OwnedListRows.h"

#include <QCoreApplication>
#include <QBrush>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace lorvena {
namespace {

using testing_support::clickAt;
using testing_support::doubleClickAt;
using testing_support::OwnedListRows;
using testing_support::showWindow;

constexpr ListColumn columns[] = {
    {"Nr", 40},
    {"Typ", 80},
    {"Nazwa", 120},
    {"Adres IP", 100},
};

QSettings profile()
{
    return QSettings(QStringLiteral("Lorvena"), QStringLiteral("Lorvena"));
}

QByteArray block(std::vector<qint32> values)
{
    QByteArray bytes(static_cast<qsizetype>(4 * values.size()), '\0');
    for (std::size_t i = 0; i < values.size(); ++i)
        qToLittleEndian(values[i], bytes.data() + 4 * i);
    return bytes;
}

std::vector<int> columnWidths(const CSortListCtrl& list)
{
    std::vector<int> widths;
    for (int c = 0; c < list.columnCount(); ++c)
        widths.push_back(list.columnWidth(c));
    return widths;
}

std::vector<int> selectedRows(const CSortListCtrl& list)
{
    std::vector<int> rows;
    for (const QModelIndex& index : list.selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

class CSortListCtrlTest : public testing::Test {
protected:
    void SetUp() override
    {
        profile().remove(QStringLiteral("ListCtrls"));
        list.setColumns(columns);
        list.resize(400, 300);
        owned.add({"1", "DVR", "Wejście", "10.0.0.9"});
        owned.add({"2", "NVR", "Łąka", "10.0.0.10"});
        owned.add({"3", "IPC", "Brama", "10.0.0.2"});
        showWindow(list);
    }
    void TearDown() override { profile().remove(QStringLiteral("ListCtrls")); }

    // The centre of a cell, in the list window's coordinates.
    QPoint cell(int row, int column) const
    {
        return list.viewport()->mapTo(&list, list.visualRect(list.model()->index(row, column)).center());
    }
    QVariant shown(int row, int column, int role) const { return list.model()->index(row, column).data(role); }
    QPoint belowTheRows() const { return list.viewport()->mapTo(&list, QPoint(10, 250)); }
    std::vector<QString> column(int c) const
    {
        std::vector<QString> texts;
        for (int row = 0; row < list.rowCount(); ++row)
            texts.push_back(list.cellText(row, c));
        return texts;
    }

    CSortListCtrl list {1000};
    OwnedListRows owned {list};
};

TEST_F(CSortListCtrlTest, SavedWidthsApplyOnlyWhenTheirCountMatches)
{
    const std::vector<int> given {40, 80, 120, 100};
    struct Case {
        const char* stored;
        std::optional<QByteArray> block;
        std::vector<int> widths;
    } cases[] = {
        {"nothing", std::nullopt, given},
        {"four widths", block({4, 41, 81, 121, 101}), {41, 81, 121, 101}},
        {"three widths", block({3, 200, 200, 200}), given},
        {"five widths", block({5, 1, 2, 3, 4, 5}), given},
        {"a count without its widths", block({4, 41, 81}), given},
        {"an empty block", QByteArray(), given},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        profile().remove(QStringLiteral("ListCtrls"));
        if (c.block)
            profile().setValue(QStringLiteral("ListCtrls/1000"), *c.block);
        CSortListCtrl fresh(1000);
        fresh.setColumns(columns);
        EXPECT_EQ(columnWidths(fresh), c.widths);
        // Another list's entry is not this one's.
        CSortListCtrl other(1001);
        other.setColumns(columns);
        EXPECT_EQ(columnWidths(other), given);
        EXPECT_EQ(profile().value(QStringLiteral("ListCtrls/1000")).toByteArray(), c.block.value_or(QByteArray()));
    }
}

TEST_F(CSortListCtrlTest, ShowsColumnsAndRowsAsGiven)
{
    EXPECT_EQ(list.model()->headerData(3, Qt::Horizontal).toString(), "Adres IP");
    EXPECT_EQ(column(2), (std::vector<QString> {"Wejście", "Łąka", "Brama"}));
    owned.add({"4", "DVR", "Nowy", "10.0.0.1"});
    EXPECT_EQ(column(0), (std::vector<QString> {"1", "2", "3", "4"}));
    owned.texts[0] = {"1", "IPC", "Brama", "10.0.0.2"};
    list.rowChanged(0);
    EXPECT_EQ(list.cellText(0, 2), "Brama");
    // The owner's rows in a new order, as after a sort.
    std::swap(owned.texts[0], owned.texts[3]);
    list.showRows(4);
    EXPECT_EQ(column(2), (std::vector<QString> {"Nowy", "Łąka", "Brama", "Brama"}));
    owned.clear();
    EXPECT_EQ(list.rowCount(), 0);
}

TEST_F(CSortListCtrlTest, RowsCannotBeEdited)
{
    list.edit(list.model()->index(1, 2));
    doubleClickAt(list, cell(1, 2));
    QTest::keyClick(&list, Qt::Key_F2);
    EXPECT_EQ(list.findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(list.cellText(1, 2), "Łąka");
}

TEST_F(CSortListCtrlTest, AHeaderClickIsReportedAndReordersNothing)
{
    QSignalSpy headers(&list, &CSortListCtrl::headerClicked);
    QHeaderView* header = list.horizontalHeader();
    list.showSortArrow(3, true);
    for (int section : {2, 0}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(section) + 5, 5));
        ASSERT_EQ(headers.count(), 1);
        EXPECT_EQ(headers.takeFirst().at(0).toInt(), section);
        EXPECT_EQ(column(0), (std::vector<QString> {"1", "2", "3"}));
        // The arrow is the last sort's until the owner shows another.
        EXPECT_EQ(header->sortIndicatorSection(), 3);
    }
}

// The arrow's pixels: what the header shows differently with and without it.
QRect arrowBox(const QImage& with, const QImage& without, std::vector<int>& rowCounts)
{
    QRect box;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) != without.pixel(x, y))
                box |= QRect(x, y, 1, 1);
        }
    }
    rowCounts.clear();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        int count = 0;
        for (int x = box.left(); x <= box.right(); ++x)
            count += with.pixel(x, y) != without.pixel(x, y) ? 1 : 0;
        rowCounts.push_back(count);
    }
    return box;
}

TEST_F(CSortListCtrlTest, TheArrowPointsUpForAscendingAndStaysOnTheLastSortedColumn)
{
    QHeaderView* header = list.horizontalHeader();
    list.showSortArrow(-1, true);
    const QImage bare = header->grab().toImage();
    const QRect section2(header->sectionViewportPosition(2), 0, header->sectionSize(2), header->height());

    struct Case {
        bool ascending;
        bool pointsUp;
    } cases[] = {{true, true}, {false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ascending ? "ascending" : "descending");
        list.showSortArrow(2, c.ascending);
        std::vector<int> rows;
        const QRect box = arrowBox(header->grab().toImage(), bare, rows);
        ASSERT_FALSE(box.isEmpty());
        EXPECT_TRUE(section2.contains(box));
        ASSERT_GE(rows.size(), 2u);
        EXPECT_EQ(rows.front() < rows.back(), c.pointsUp);
    }
    list.showSortArrow(3, true);
    std::vector<int> rows;
    EXPECT_FALSE(arrowBox(header->grab().toImage(), bare, rows).intersects(section2));
}

TEST_F(CSortListCtrlTest, ClicksReportTheRowOrMinusOne)
{
    QSignalSpy rows(&list, &CSortListCtrl::rowClicked);
    struct Case {
        QPoint at;
        Qt::KeyboardModifiers modifiers;
        int row;
    } cases[] = {
        {cell(1, 1), Qt::NoModifier, 1},
        {cell(2, 3), Qt::ControlModifier, 2},
        {belowTheRows(), Qt::NoModifier, -1},
        {belowTheRows(), Qt::ControlModifier, -1},
    };
    for (const Case& c : cases) {
        clickAt(list, c.at, c.modifiers);
        ASSERT_EQ(rows.count(), 1);
        const QList<QVariant> click = rows.takeFirst();
        EXPECT_EQ(click.at(0).toInt(), c.row);
        EXPECT_EQ(click.at(1).value<Qt::KeyboardModifiers>(), c.modifiers);
    }
}

TEST_F(CSortListCtrlTest, ADoubleClickIsOneClickAndOneDoubleClick)
{
    QSignalSpy clicks(&list, &CSortListCtrl::rowClicked);
    QSignalSpy doubles(&list, &CSortListCtrl::rowDoubleClicked);
    for (auto [at, row] : {std::pair {cell(2, 1), 2}, std::pair {belowTheRows(), -1}}) {
        doubleClickAt(list, at);
        ASSERT_EQ(clicks.count(), 1);
        EXPECT_EQ(clicks.takeFirst().at(0).toInt(), row);
        ASSERT_EQ(doubles.count(), 1);
        EXPECT_EQ(doubles.takeFirst().at(0).toInt(), row);
    }
}

TEST_F(CSortListCtrlTest, MarkedRowsAreShownSelectedUntilAPlainClick)
{
    list.setMarkedRows({0, 2});
    EXPECT_EQ(selectedRows(list), (std::vector<int> {0, 2}));
    // A Ctrl+click is the owner's to mark; the list changes nothing itself.
    clickAt(list, cell(1, 1), Qt::ControlModifier);
    EXPECT_EQ(selectedRows(list), (std::vector<int> {0, 2}));
    // The last row taken out of a batch leaves nothing selected.
    list.setMarkedRows({2});
    list.setMarkedRows({});
    EXPECT_EQ(selectedRows(list), std::vector<int> {});

    list.setMarkedRows({0, 2});
    clickAt(list, cell(1, 1));
    list.setMarkedRows({}); // what the owner does after a plain click
    EXPECT_EQ(selectedRows(list), std::vector<int> {1});
}

// A verified row carries its mark in every cell (tint, tooltip) and a glyph
// in the first; None takes it all away, so a row reused after a sort does
// not keep another device's mark.
TEST_F(CSortListCtrlTest, ARowCheckMarksTheWholeRowUntilTakenAway)
{
    auto state = [&](int row) { return shown(row, 0, CSortListCtrl::checkRole).toInt(); };
    list.setRowCheck(1, RowMark::NotSeen, "oczekiwano 10.0.0.9");
    EXPECT_EQ(state(1), static_cast<int>(RowMark::NotSeen));
    EXPECT_FALSE(shown(1, 0, Qt::DecorationRole).value<QIcon>().isNull());
    for (int c = 0; c < list.columnCount(); ++c) {
        EXPECT_EQ(shown(1, c, Qt::ToolTipRole).toString(), "oczekiwano 10.0.0.9");
        EXPECT_NE(shown(1, c, Qt::BackgroundRole), shown(0, c, Qt::BackgroundRole));
    }
    list.setRowCheck(1, RowMark::Confirmed, "10.0.0.9");
    EXPECT_EQ(state(1), static_cast<int>(RowMark::Confirmed));

    list.setRowCheck(1, RowMark::None, "");
    EXPECT_EQ(state(1), static_cast<int>(RowMark::None));
    EXPECT_TRUE(shown(1, 0, Qt::DecorationRole).value<QIcon>().isNull());
    for (int c = 0; c < list.columnCount(); ++c) {
        EXPECT_EQ(shown(1, c, Qt::ToolTipRole).toString(), "");
        EXPECT_EQ(shown(1, c, Qt::BackgroundRole), shown(0, c, Qt::BackgroundRole));
    }
    EXPECT_EQ(list.cellText(1, 2), "Łąka") << "the texts stay";
}

// A device sharing its address with others is the worse news: its warning
// colour covers any check tint and its note comes first in the tooltip, and
// taking it away brings the check's own tint and note back.
TEST_F(CSortListCtrlTest, AConflictShowsOverTheCheckAndLeavesItWhenTakenAway)
{
    const QColor none = shown(0, 1, Qt::BackgroundRole).value<QBrush>().color();
    list.setRowCheck(2, RowMark::NotSeen, "oczekiwano 10.0.0.2");
    const QColor notSeen = shown(2, 1, Qt::BackgroundRole).value<QBrush>().color();
    struct Case {
        const char* what;
        int row;
        std::string conflict;
        QString tip;
        QColor tint;
    } cases[] = {
        {"a plain row", 1, "Konflikt adresu IP: 10.0.0.10", "Konflikt adresu IP: 10.0.0.10",
            CSortListCtrl::conflictColour()},
        {"a checked row", 2, "Konflikt adresu IP: 10.0.0.2", "Konflikt adresu IP: 10.0.0.2\noczekiwano 10.0.0.2",
            CSortListCtrl::conflictColour()},
        {"the conflict taken away", 2, "", "oczekiwano 10.0.0.2", notSeen},
        {"the plain row's taken away", 1, "", "", none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.setRowConflict(c.row, c.conflict);
        EXPECT_EQ(shown(c.row, 0, CSortListCtrl::conflictRole).toString().toStdString(), c.conflict);
        for (int column = 0; column < list.columnCount(); ++column) {
            EXPECT_EQ(shown(c.row, column, Qt::ToolTipRole).toString(), c.tip);
            EXPECT_EQ(shown(c.row, column, Qt::BackgroundRole).value<QBrush>().color(), c.tint);
        }
    }
    EXPECT_EQ(shown(2, 0, CSortListCtrl::checkRole).toInt(), static_cast<int>(RowMark::NotSeen));
    EXPECT_FALSE(shown(2, 0, Qt::DecorationRole).value<QIcon>().isNull()) << "the warning sign stays";
}

// Device names come from the network. Ten thousand combining marks, or a
// right-to-left override left open, stay inside their own cell: the rows
// keep their height and the next column shows exactly what it would beside
// a plain name.
TEST_F(CSortListCtrlTest, AHostileNameStaysInsideItsCell)
{
    std::string marks = "e";
    for (int i = 0; i < 10000; ++i)
        marks += "\xCC\x81"; // U+0301, combining acute accent
    const std::string override = "\xE2\x80\xAE" "Kamera 1 \xE2\x80\xAE" "10.9.9.9"; // U+202E, never closed
    owned.clear();
    owned.add({"1", "IPC", marks, "10.0.0.1"});
    owned.add({"2", "IPC", override, "10.0.0.2"});
    owned.add({"3", "IPC", "Brama", "10.0.0.3"});

    CSortListCtrl plain(1002);
    plain.setColumns(columns);
    plain.resize(list.size());
    OwnedListRows plainRows(plain);
    plainRows.add({"1", "IPC", "Brama", "10.0.0.1"});
    plainRows.add({"2", "IPC", "Brama", "10.0.0.2"});
    plainRows.add({"3", "IPC", "Brama", "10.0.0.3"});
    showWindow(plain);
    QCoreApplication::processEvents();

    const QImage hostile = list.viewport()->grab().toImage();
    const QImage reference = plain.viewport()->grab().toImage();
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(list.rowHeight(row), plain.rowHeight(row));
        for (int c : {0, 1, 3}) {
            const QRect rect = list.visualRect(list.model()->index(row, c));
            EXPECT_EQ(hostile.copy(rect), reference.copy(rect)) << "column " << c;
        }
    }
}

} // namespace
} // namespace lorvena
