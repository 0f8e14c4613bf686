#include "controls/CSortListCtrl.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QSettings>
#include <QtEndian>

#include <algorithm>

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

    QHeaderView* header = horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    // A clicked header moves its own arrow; the arrow belongs to the
    // controller's last sort, which a click on "Nr" does not change.
    connect(header, &QHeaderView::sortIndicatorChanged, this, &CSortListCtrl::keepArrow);
    connect(header, &QHeaderView::sectionClicked, this, &CSortListCtrl::headerClicked);
}

void CSortListCtrl::setColumns(std::span<const ColumnSpec> columns)
{
    setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const ColumnSpec& column : columns)
        titles << QString::fromUtf8(column.title.data(), static_cast<qsizetype>(column.title.size()));
    setHorizontalHeaderLabels(titles);
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, columns[static_cast<std::size_t>(c)].width);

    // The program's own profile, whoever runs the list.
    QSettings profile(QStringLiteral("Lorvena"), QStringLiteral("Lorvena"));
    const QByteArray block = profile.value(QStringLiteral("ListCtrls/%1").arg(controlId_)).toByteArray();
    const std::vector<int> widths = storedWidths(block, columnCount());
    for (int c = 0; c < static_cast<int>(widths.size()); ++c)
        setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
}

std::vector<int> CSortListCtrl::storedWidths(const QByteArray& block, int columnCount)
{
    if (block.size() < 4)
        return {};
    const auto count = qFromLittleEndian<qint32>(block.constData());
    if (count != columnCount || block.size() < 4 + 4 * static_cast<qsizetype>(count))
        return {};
    std::vector<int> widths;
    for (qint32 i = 0; i < count; ++i)
        widths.push_back(std::max(0, qFromLittleEndian<qint32>(block.constData() + 4 + 4 * i)));
    return widths;
}

void CSortListCtrl::setRow(int row, const std::vector<std::string>& texts)
{
    for (int c = 0; c < columnCount() && c < static_cast<int>(texts.size()); ++c) {
        const QString text = QString::fromStdString(texts[static_cast<std::size_t>(c)]);
        if (QTableWidgetItem* cell = item(row, c)) {
            if (cell->text() != text)
                cell->setText(text);
            continue;
        }
        auto* cell = new QTableWidgetItem(text);
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        setItem(row, c, cell);
    }
}

void CSortListCtrl::addRow(const std::vector<std::string>& texts)
{
    const int row = rowCount();
    insertRow(row);
    setRow(row, texts);
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
    showingMarks_ = false;
}

void CSortListCtrl::showSortArrow(int column, bool ascending)
{
    // QHeaderView draws Qt::AscendingOrder as a downward arrow; installers
    // know the upward arrow for ascending, so the order is given reversed.
    const Qt::SortOrder order = ascending ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (column == arrowColumn_ && order == arrowOrder_)
        return;
    arrowColumn_ = column;
    arrowOrder_ = order;
    horizontalHeader()->setSortIndicator(column, order);
}

void CSortListCtrl::keepArrow()
{
    QHeaderView* header = horizontalHeader();
    if (header->sortIndicatorSection() != arrowColumn_ || header->sortIndicatorOrder() != arrowOrder_)
        header->setSortIndicator(arrowColumn_, arrowOrder_);
}

void CSortListCtrl::setMarkedRows(const std::vector<int>& rows)
{
    if (rows.empty()) {
        // After a plain click the selection is that click's row; otherwise
        // it is the last batch, now emptied.
        if (showingMarks_)
            clearSelection();
        showingMarks_ = false;
        return;
    }
    QItemSelection marked;
    for (int row : rows) {
        if (row >= 0 && row < rowCount())
            marked.select(model()->index(row, 0), model()->index(row, columnCount() - 1));
    }
    selectionModel()->select(marked, QItemSelectionModel::ClearAndSelect);
    showingMarks_ = true;
}

void CSortListCtrl::mousePressEvent(QMouseEvent* event)
{
    releaseEndsDoubleClick_ = false;
    // Ctrl+clicks are batch picks, decided by the controller: the marks come
    // back through setMarkedRows, so the table's own toggling stays out.
    if (event->modifiers() & Qt::ControlModifier)
        return;
    showingMarks_ = false;
    QTableWidget::mousePressEvent(event);
}

void CSortListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        QTableWidget::mouseReleaseEvent(event);
    const bool ownsClick = !releaseEndsDoubleClick_;
    releaseEndsDoubleClick_ = false;
    if (event->button() == Qt::LeftButton && ownsClick)
        emit rowClicked(rowAt(event->position().toPoint().y()), event->modifiers());
}

void CSortListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    releaseEndsDoubleClick_ = true;
    emit rowDoubleClicked(rowAt(event->position().toPoint().y()));
}

} // namespace lorvena
