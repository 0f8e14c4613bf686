#pragma once

#include "discovery/DeviceRecord.h"

#include <QTableWidget>

#include <span>
#include <string>
#include <vector>

namespace lorvena {

// The report-style device list: a header, grid lines, whole-row selection.
// It shows rows; the order is the controller's (a header click is only
// reported, and the controller hands back the rows in their new order with
// the arrow to show). The header's sort arrow plays the part of a separate
// header control.
class CSortListCtrl final : public QTableWidget {
    Q_OBJECT

public:
    // `controlId` names the list's saved column widths.
    explicit CSortListCtrl(int controlId, QWidget* parent = nullptr);

    // Sets up the columns, then restores saved widths: the application
    // profile's "ListCtrls" entry named by the control id holds a 32-bit
    // little-endian column count and that many 32-bit widths. They apply
    // only when the count matches. The list never writes them.
    void setColumns(std::span<const ColumnSpec> columns);

    void addRow(const std::vector<std::string>& texts);
    void setRowTexts(int row, const std::vector<std::string>& texts);
    void clearRows();
    void showSortArrow(int column, bool ascending);
    // Shows these rows selected: a Ctrl+click batch. An empty batch leaves
    // the selection of the plain click that ended it.
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

    int controlId_;
};

} // namespace lorvena
