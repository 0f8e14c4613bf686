#pragma once

#include <QColor>
#include <QTableWidget>

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

// A row's mark after its device was looked for again.
enum class RowMark { None, Confirmed, NotSeen };

// The report-style device list: a header, grid lines, whole-row selection,
// no editing. It only shows rows; their order is the controller's. A header
// click is reported, and the controller hands back the rows in their new
// order with the arrow to show. There is no separate CSortHeaderCtrl: the
// header's part, the sort arrow, is QHeaderView's sort indicator.
class CSortListCtrl final : public QTableWidget {
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

    // Texts are UTF-8, column 0 first. Rows only ever go to the bottom.
    void addRow(const std::vector<std::string>& texts);
    // Adds the row at the bottom within `queueInterval`, together with every
    // other row queued until then: a search answered by thousands of devices
    // inserts them in a few batches instead of one insert (and one layout
    // and repaint) per reply. Anything that needs the rows in place (addRow,
    // setRowTexts, setMarkedRows) puts the queued ones in first; clearRows
    // and showRows drop them.
    void queueRow(std::vector<std::string> texts);
    static constexpr std::chrono::milliseconds queueInterval {50};
    // Puts the queued rows in now.
    void insertQueuedRows();
    int queuedRowCount() const { return static_cast<int>(queuedRows_.size()); }
    void setRowTexts(int row, const std::vector<std::string>& texts);
    // Marks a row whose device was looked for after a change: a tick and a
    // green tint when it answered at its new settings, a warning sign and a
    // red tint when it was not seen; `note` is the row's tooltip. None takes
    // the mark away. A mark belongs to the row's place: after showRows the
    // caller marks again. The first cell's checkRole holds the RowMark.
    void setRowCheck(int row, RowMark mark, const std::string& note);
    static constexpr int checkRole = Qt::UserRole + 1;
    // Marks a row whose device shares its address with other devices: a
    // warning colour over any check tint, and `note` first in the tooltip.
    // An empty note takes the mark away. Like the check, it belongs to the
    // row's place. The first cell's conflictRole holds the note.
    void setRowConflict(int row, const std::string& note);
    static constexpr int conflictRole = Qt::UserRole + 2;
    static constexpr int checkNoteRole = Qt::UserRole + 3;
    static QColor conflictColour() { return QColor(0xff, 0xd0, 0x80); }
    // Shows exactly these rows, in this order, in place of every row shown or
    // queued: a reorder of the whole list, drawn once.
    void showRows(const std::vector<std::vector<std::string>>& rows);
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
    void setRow(int row, const std::vector<std::string>& texts);
    // Appends `rows` with one insert and one repaint.
    void appendRows(const std::vector<std::vector<std::string>>& rows);
    void keepArrow();
    // The tint and tooltip of a row from its check and conflict marks.
    void showRowMarks(int row);

    int controlId_;
    std::vector<std::vector<std::string>> queuedRows_;
    QTimer* queueTimer_;
    int arrowColumn_ = -1;
    Qt::SortOrder arrowOrder_ = Qt::AscendingOrder;
    // The selection shown is a batch of marks, not a plain click's row.
    bool showingMarks_ = false;
    // The release ending a double-click is not another click.
    bool releaseEndsDoubleClick_ = false;
};

} // namespace lorvena
