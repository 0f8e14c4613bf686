#include "controls/CSortListCtrl.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <utility>

namespace lorvena {

CSortListCtrl::CSortListCtrl(int controlId, QWidget* parent)
    : QTableView(parent), controlId_(controlId), model_(new DeviceListModel(this)), queueTimer_(new QTimer(this))
{
    // Each change of the row count makes the view lay out and repaint what
    // it shows (a few milliseconds of text layout), so rows that arrive one
    // per event-loop turn, as a burst's replies do, would cost a repaint
    // each: seconds of a busy window for ten thousand rows. Queued rows wait
    // while each turn of the event loop brings more, up to one frame of the
    // screen, and go in together at the first turn that brings none; the
    // list takes in rows at most once a frame.
    queueTimer_->setSingleShot(true);
    connect(queueTimer_, &QTimer::timeout, this, &CSortListCtrl::queueTurnEnded);

    model_->setMarkIcons(style()->standardIcon(QStyle::SP_DialogApplyButton),
        style()->standardIcon(QStyle::SP_MessageBoxWarning));
    setModel(model_);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false);
    verticalHeader()->hide();
    // Every row as high as the font: the view never measures rows one by one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
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
    QStringList titles;
    for (const ListColumn& column : columns)
        titles << QString::fromUtf8(column.title.data(), static_cast<qsizetype>(column.title.size()));
    model_->setColumnTitles(titles);
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, columns[static_cast<std::size_t>(c)].width);

    // The program's own profile, whoever runs the list.
    QSettings profile(QStringLiteral("Lorvena"), QStringLiteral("Lorvena"));
    const QByteArray block = profile.value(QStringLiteral("ListCtrls/%1").arg(controlId_)).toByteArray();
    const std::vector<int> widths = storedWidths(block, columnCount());
    for (int c = 0; c < static_cast<int>(widths.size()); ++c)
        setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
}

void CSortListCtrl::setCellReader(DeviceListModel::CellReader reader)
{
    model_->setCellReader(std::move(reader));
    viewport()->update();
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

QString CSortListCtrl::cellText(int row, int column) const
{
    return model_->index(row, column).data().toString();
}

void CSortListCtrl::addRow()
{
    insertQueuedRows();
    model_->appendRows(1);
}

void CSortListCtrl::queueRow()
{
    if (queuedRows_ == 0)
        queueStart_ = std::chrono::steady_clock::now();
    ++queuedRows_;
    rowsThisTurn_ = true;
    if (!queueTimer_->isActive())
        queueTimer_->start(0);
}

void CSortListCtrl::queueTurnEnded()
{
    using namespace std::chrono;
    const steady_clock::time_point now = steady_clock::now();
    const bool burstGoesOn = std::exchange(rowsThisTurn_, false);
    if (burstGoesOn && now - queueStart_ < queueInterval) {
        queueTimer_->start(0);
        return;
    }
    // Replies spaced just wider than a turn would otherwise each cost a
    // redraw.
    if (now - lastInsert_ < queueInterval) {
        queueTimer_->start(ceil<milliseconds>(queueInterval - (now - lastInsert_)));
        return;
    }
    insertQueuedRows();
}

void CSortListCtrl::insertQueuedRows()
{
    queueTimer_->stop();
    const int rows = queuedRows_;
    queuedRows_ = 0;
    if (rows > 0)
        lastInsert_ = std::chrono::steady_clock::now();
    // One insert for the whole batch, so the view lays itself out and
    // paints once for it.
    model_->appendRows(rows);
}

void CSortListCtrl::rowChanged(int row)
{
    insertQueuedRows();
    model_->rowChanged(row);
}

void CSortListCtrl::setRowCheck(int row, RowMark mark, const std::string& note)
{
    insertQueuedRows();
    model_->setRowCheck(row, mark, QString::fromStdString(note));
}

void CSortListCtrl::setRowConflict(int row, const std::string& note)
{
    insertQueuedRows();
    model_->setRowConflict(row, QString::fromStdString(note));
}

void CSortListCtrl::showRows(int count)
{
    queueTimer_->stop();
    queuedRows_ = 0;
    model_->showRows(count);
}

void CSortListCtrl::clearRows()
{
    queueTimer_->stop();
    queuedRows_ = 0;
    model_->clearRows();
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
            marked.select(model_->index(row, 0), model_->index(row, columnCount() - 1));
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
    QTableView::mousePressEvent(event);
}

void CSortListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        QTableView::mouseReleaseEvent(event);
    const bool ownsClick = !releaseEndsDoubleClick_;
    releaseEndsDoubleClick_ = false;
    if (event->button() == Qt::LeftButton && ownsClick)
        emit rowClicked(rowAt(event->position().toPoint().y()), event->modifiers());
}

void CSortListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    releaseEndsDoubleClick_ = true;
    emit rowDoubleClicked(rowAt(event->position().toPoint().y()));
}

} // namespace lorvena
