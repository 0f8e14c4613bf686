#include "controls/CSortListCtrl.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QIcon>
#include <QStyle>
#include <QMouseEvent>
#include <QSettings>
#include <QTimer>
#include <QtEndian>

#include <algorithm>

namespace lorvena {

CSortListCtrl::CSortListCtrl(int controlId, QWidget* parent)
    : QTableWidget(parent), controlId_(controlId), queueTimer_(new QTimer(this))
{
    // Each change of the row count costs the view a walk over all rows when
    // it next lays out and paints, so rows that arrive one per event-loop
    // turn, as a burst's replies do, would cost that walk each: with ten
    // thousand rows, minutes of a frozen window. Queued rows go in together
    // at most this often instead, and no row waits longer than this.
    queueTimer_->setSingleShot(true);
    queueTimer_->setInterval(queueInterval);
    connect(queueTimer_, &QTimer::timeout, this, &CSortListCtrl::insertQueuedRows);

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

void CSortListCtrl::setColumns(std::span<const ListColumn> columns)
{
    setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const ListColumn& column : columns)
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

void CSortListCtrl::appendRows(const std::vector<std::vector<std::string>>& rows)
{
    if (rows.empty())
        return;
    // One insert for the whole batch, so the view lays itself out and
    // paints once for it. The list never sorts by itself (the controller
    // orders the rows), so nothing re-sorts while they go in.
    const bool updating = updatesEnabled();
    setUpdatesEnabled(false);
    const int first = rowCount();
    setRowCount(first + static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        setRow(first + static_cast<int>(i), rows[i]);
    setUpdatesEnabled(updating);
}

void CSortListCtrl::addRow(const std::vector<std::string>& texts)
{
    insertQueuedRows();
    appendRows({texts});
}

void CSortListCtrl::queueRow(std::vector<std::string> texts)
{
    queuedRows_.push_back(std::move(texts));
    if (!queueTimer_->isActive())
        queueTimer_->start();
}

void CSortListCtrl::insertQueuedRows()
{
    queueTimer_->stop();
    std::vector<std::vector<std::string>> rows;
    rows.swap(queuedRows_);
    appendRows(rows);
}

void CSortListCtrl::setRowTexts(int row, const std::vector<std::string>& texts)
{
    insertQueuedRows();
    if (row >= 0 && row < rowCount())
        setRow(row, texts);
}

void CSortListCtrl::setRowCheck(int row, RowMark mark, const std::string& note)
{
    insertQueuedRows();
    if (row < 0 || row >= rowCount())
        return;
    QTableWidgetItem* first = item(row, 0);
    if (!first)
        return;
    first->setData(checkRole, static_cast<int>(mark));
    first->setData(checkNoteRole, QString::fromStdString(note));
    showRowMarks(row);
}

void CSortListCtrl::setRowConflict(int row, const std::string& note)
{
    insertQueuedRows();
    if (row < 0 || row >= rowCount())
        return;
    QTableWidgetItem* first = item(row, 0);
    const QString text = QString::fromStdString(note);
    // After a sort every row is told again; most have nothing new.
    if (!first || first->data(conflictRole).toString() == text)
        return;
    first->setData(conflictRole, text);
    showRowMarks(row);
}

void CSortListCtrl::showRowMarks(int row)
{
    QTableWidgetItem* first = item(row, 0);
    const auto mark = static_cast<RowMark>(first->data(checkRole).toInt());
    const QString conflict = first->data(conflictRole).toString();
    QString tip = first->data(checkNoteRole).toString();
    QBrush tint;
    QIcon icon;
    if (mark == RowMark::Confirmed) {
        tint = QColor(0xd8, 0xf5, 0xd8);
        icon = style()->standardIcon(QStyle::SP_DialogApplyButton);
    } else if (mark == RowMark::NotSeen) {
        tint = QColor(0xfa, 0xd8, 0xd8);
        icon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    }
    // Two devices answering at one address is the worse news.
    if (!conflict.isEmpty()) {
        tint = conflictColour();
        tip = tip.isEmpty() ? conflict : conflict + QLatin1Char('\n') + tip;
    }
    for (int c = 0; c < columnCount(); ++c) {
        QTableWidgetItem* cell = item(row, c);
        if (!cell)
            continue;
        cell->setBackground(tint);
        cell->setToolTip(tip);
        if (c == 0)
            cell->setIcon(icon);
    }
}

void CSortListCtrl::showRows(const std::vector<std::vector<std::string>>& rows)
{
    queueTimer_->stop();
    queuedRows_.clear();
    const bool updating = updatesEnabled();
    setUpdatesEnabled(false);
    setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        setRow(static_cast<int>(i), rows[i]);
    setUpdatesEnabled(updating);
}

void CSortListCtrl::clearRows()
{
    queueTimer_->stop();
    queuedRows_.clear();
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
    insertQueuedRows();
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
