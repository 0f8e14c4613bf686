#pragma once

#include "controls/DeviceListModel.h"

#include <QColor>
#include <QTableView>

#include <chrono>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QTimer;

namespace lorvena {

// One column of the list: its title (UTF-8) and width in pixels.
struct ListColumn {
    std::string_view title;
    int width;
};

// The report-style device list: a header, grid lines, whole-row selection,
// no editing. It only shows rows; their texts and their order are the
// owner's, read through a DeviceListModel when a cell is drawn. A header
// click is reported, and the owner, having reordered its rows, says so with
// the arrow to show. There is no separate CSortHeaderCtrl: the header's
// part, the sort arrow, is QHeaderView's sort indicator.
class CSortListCtrl final : public QTableView {
    Q_OBJECT

public:
    // `controlId` names the list's saved column widths ("1000" for the
    // device list).
    explicit CSortListCtrl(int controlId, QWidget* parent = nullptr);

    int controlId() const { return controlId_; }

    // Sets up the columns (titles, pixel widths, left-aligned), then
    // restores saved widths from the application profile: entry "ListCtrls"
    // / control id, a 32-bit little-endian column count and that many
    // 32-bit widths. They apply only when the count matches. The list never
    // writes them.
    void setColumns(std::span<const ListColumn> columns);
    // Where the cells' texts come from: the owner's row and column, for
    // rows the list shows. The list shows a prefix of the owner's rows.
    void setCellReader(DeviceListModel::CellReader reader);

    int rowCount() const { return model_->rowCount(); }
    int columnCount() const { return model_->columnCount(); }
    // A cell's text as shown.
    QString cellText(int row, int column) const;

    // Shows the owner's next row at the bottom at once.
    void addRow();
    // Shows the owner's next row at the bottom soon, together with every
    // other row queued until then: a search answered by thousands of
    // devices inserts them in a few batches instead of one insert (and one
    // layout and repaint) per reply. The rows go in at the first turn of
    // the event loop that queues none, or after `queueInterval` while every
    // turn brings more, and never sooner than `queueInterval` after the
    // rows before them. Anything that needs the rows in place (addRow,
    // rowChanged, setMarkedRows, the marks) puts the queued ones in first;
    // clearRows and showRows drop them.
    void queueRow();
    // A frame of a 60 Hz screen: the list is redrawn no more often than it
    // could be seen while a burst goes on.
    static constexpr std::chrono::milliseconds queueInterval {16};
    // Puts the queued rows in now.
    void insertQueuedRows();
    int queuedRowCount() const { return queuedRows_; }
    // The owner's row changed its texts.
    void rowChanged(int row);
    // Marks a row whose device was looked for after a change: a tick and a
    // green tint when it answered at its new settings, a warning sign and a
    // red tint when it was not seen; `note` is the row's tooltip. None takes
    // the mark away. A mark belongs to the row's place: after showRows the
    // caller marks again. The first cell's checkRole holds the RowMark.
    void setRowCheck(int row, RowMark mark, const std::string& note);
    static constexpr int checkRole = DeviceListModel::checkRole;
    // Marks a row whose device shares its address with other devices: a
    // warning colour over any check tint, and `note` first in the tooltip.
    // An empty note takes the mark away. Like the check, it belongs to the
    // row's place. The first cell's conflictRole holds the note.
    void setRowConflict(int row, const std::string& note);
    static constexpr int conflictRole = DeviceListModel::conflictRole;
    static constexpr int checkNoteRole = DeviceListModel::checkNoteRole;
    static QColor conflictColour() { return DeviceListModel::conflictColour(); }
    // The owner reordered its rows and has `count` of them: all shown at
    // their new places at once, queued ones included, drawn once.
    void showRows(int count);
    void clearRows();
    // The arrow of the last sorted column; any other arrow goes away.
    void showSortArrow(int column, bool ascending);
    // Shows exactly these rows selected: a Ctrl+click batch. An empty batch
    // right after a plain click keeps that click's row selected.
    void setMarkedRows(const std::vector<int>& rows);

    // The widths a stored block asks for, or nothing when it does not fit
    // `columnCount` columns.
    static std::vector<int> storedWidths(const QByteArray& block, int columnCount);

Q_SIGNALS:
    void headerClicked(int column);
    // Row -1: the click hit no row.
    void rowClicked(int row, Qt::KeyboardModifiers modifiers);
    void rowDoubleClicked(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void keepArrow();
    // The end of an event-loop turn with rows queued.
    void queueTurnEnded();

    int controlId_;
    DeviceListModel* model_;
    int queuedRows_ = 0;
    std::chrono::steady_clock::time_point queueStart_;
    bool rowsThisTurn_ = false;
    std::chrono::steady_clock::time_point lastInsert_;
    QTimer* queueTimer_;
    int arrowColumn_ = -1;
    Qt::SortOrder arrowOrder_ = Qt::AscendingOrder;
    // The selection shown is a batch of marks, not a plain click's row.
    bool showingMarks_ = false;
    // The release ending a double-click is not another click.
    bool releaseEndsDoubleClick_ = false;
};

} // namespace lorvena
