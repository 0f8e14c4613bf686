#include "controls/CSortListCtrl.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QSettings>
#include <QtEndian>

namespace lorvena {

CSortListCtrl::CSortListCtrl(int controlId, QWidget* parent) : QTableWidget(parent), controlId_(controlId)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CSortListCtrl::headerClicked);
}

void CSortListCtrl::setColumns(std::span<const ColumnSpec> columns)
{
    setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const ColumnSpec& column : columns)
        titles << QString::fromUtf8(column.title.data(), static_cast<qsizetype>(column.title.size()));
    setHorizontalHeaderLabels(titles);
    for (int c = 0; c < static_cast<int>(columns.size()); ++c)
        setColumnWidth(c, columns[static_cast<std::size_t>(c)].width);

    QSettings profile;
    QByteArray block = profile.value(QStringLiteral("ListCtrls/%1").arg(controlId_)).toByteArray();
    std::vector<int> widths = storedWidths(block, columnCount());
    for (int c = 0; c < static_cast<int>(widths.size()); ++c)
        setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
}

std::vector<int> CSortListCtrl::storedWidths(const QByteArray& block, int columnCount)
{
    if (block.size() < 4)
        return {};
    auto count = qFromLittleEndian<qint32>(block.constData());
    if (count != columnCount || block.size() < 4 + 4 * static_cast<qsizetype>(count))
        return {};
    std::vector<int> widths;
    for (qint32 i = 0; i < count; ++i)
        widths.push_back(qFromLittleEndian<qint32>(block.constData() + 4 + 4 * i));
    return widths;
}

void CSortListCtrl::setRow(int row, const std::vector<std::string>& texts)
{
    for (int c = 0; c < columnCount() && c < static_cast<int>(texts.size()); ++c) {
        QString text = QString::fromStdString(texts[static_cast<std::size_t>(c)]);
        if (QTableWidgetItem* cell = item(row, c)) {
            if (cell->text() != text)
                cell->setText(text);
        } else {
            setItem(row, c, new QTableWidgetItem(text));
        }
    }
}

void CSortListCtrl::addRow(const std::vector<std::string>& texts)
{
    // Rows only ever go to the bottom, whatever the last sort.
    int row = rowCount();
    setUpdatesEnabled(false);
    insertRow(row);
    setRow(row, texts);
    setUpdatesEnabled(true);
}

void CSortListCtrl::setRowTexts(int row, const std::vector<std::string>& texts)
{
    if (row >= 0 && row < rowCount())
        setRow(row, texts);
}

void CSortListCtrl::clearRows()
{
    clearContents();
    setRowCount(0);
}

void CSortListCtrl::showSortArrow(int column, bool ascending)
{
    // QHeaderView draws Qt::AscendingOrder as a downward arrow; installers
    // know the upward arrow for ascending, so the order is given reversed.
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void CSortListCtrl::setMarkedRows(const std::vector<int>& rows)
{
    // No batch: the plain click that ended it has already selected its row.
    if (rows.empty())
        return;
    setSelectionMode(QAbstractItemView::MultiSelection);
    clearSelection();
    for (int row : rows)
        selectRow(row);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void CSortListCtrl::mousePressEvent(QMouseEvent* event)
{
    // Ctrl+clicks are batch picks, decided by the controller: the marks come
    // back through setMarkedRows, so the table's own toggling stays out.
    if (event->modifiers() & Qt::ControlModifier)
        return;
    QTableWidget::mousePressEvent(event);
}

void CSortListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit rowClicked(rowAt(event->position().toPoint().y()), event->modifiers());
}

void CSortListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit rowDoubleClicked(rowAt(event->position().toPoint().y()));
}

} // namespace lorvena
