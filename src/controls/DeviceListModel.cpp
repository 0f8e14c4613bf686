#include "controls/DeviceListModel.h"

#include <QBrush>

namespace lorvena {

DeviceListModel::DeviceListModel(QObject* parent) : QAbstractTableModel(parent) {}

void DeviceListModel::setMarkIcons(QIcon confirmed, QIcon notSeen)
{
    confirmedIcon_ = std::move(confirmed);
    notSeenIcon_ = std::move(notSeen);
}

void DeviceListModel::setColumnTitles(const QStringList& titles)
{
    beginResetModel();
    titles_ = titles;
    endResetModel();
}

void DeviceListModel::appendRows(int count)
{
    if (count <= 0)
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + count - 1);
    marks_.resize(marks_.size() + static_cast<std::size_t>(count));
    endInsertRows();
}

void DeviceListModel::showRows(int count)
{
    count = std::max(0, count);
    const int shown = rowCount();
    if (count < shown) {
        beginRemoveRows({}, count, shown - 1);
        marks_.resize(static_cast<std::size_t>(count));
        endRemoveRows();
    }
    marks_.assign(marks_.size(), Marks {});
    appendRows(count - shown);
    // The places stay and what they show changes: a selection or the
    // current row stays on its place, as the owner expects (a plain click's
    // row is the owner's row index, not a device).
    if (count > 0)
        emit dataChanged(index(0, 0), index(count - 1, columnCount() - 1));
}

void DeviceListModel::clearRows()
{
    beginResetModel();
    marks_.clear();
    endResetModel();
}

void DeviceListModel::rowChanged(int row)
{
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DeviceListModel::setRowCheck(int row, RowMark mark, const QString& note)
{
    if (row < 0 || row >= rowCount())
        return;
    Marks& marks = marks_[static_cast<std::size_t>(row)];
    // After a sort every row is marked again; most have nothing new.
    if (marks.check == mark && marks.checkNote == note)
        return;
    marks.check = mark;
    marks.checkNote = note;
    rowMarksChanged(row);
}

void DeviceListModel::setRowConflict(int row, const QString& note)
{
    if (row < 0 || row >= rowCount())
        return;
    Marks& marks = marks_[static_cast<std::size_t>(row)];
    if (marks.conflict == note)
        return;
    marks.conflict = note;
    rowMarksChanged(row);
}

void DeviceListModel::rowMarksChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, columnCount() - 1),
        {Qt::BackgroundRole, Qt::DecorationRole, Qt::ToolTipRole, checkRole, conflictRole, checkNoteRole});
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(marks_.size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    if (role == Qt::DisplayRole) {
        if (!reader_)
            return QString();
        return QString::fromStdString(reader_(static_cast<std::size_t>(index.row()), index.column()));
    }
    return markData(marks_[static_cast<std::size_t>(index.row())], index.column(), role);
}

QVariant DeviceListModel::markData(const Marks& marks, int column, int role) const
{
    switch (role) {
    case Qt::BackgroundRole:
        // Two devices answering at one address is the worse news.
        if (!marks.conflict.isEmpty())
            return QBrush(conflictColour());
        if (marks.check == RowMark::Confirmed)
            return QBrush(confirmedColour());
        if (marks.check == RowMark::NotSeen)
            return QBrush(notSeenColour());
        return {};
    case Qt::ToolTipRole:
        if (marks.conflict.isEmpty())
            return marks.checkNote;
        if (marks.checkNote.isEmpty())
            return marks.conflict;
        return QString(marks.conflict + QLatin1Char('\n') + marks.checkNote);
    case Qt::DecorationRole:
        if (column != 0 || marks.check == RowMark::None)
            return {};
        return marks.check == RowMark::Confirmed ? confirmedIcon_ : notSeenIcon_;
    case checkRole:
        return column == 0 ? QVariant(static_cast<int>(marks.check)) : QVariant();
    case conflictRole:
        return column == 0 ? QVariant(marks.conflict) : QVariant();
    case checkNoteRole:
        return column == 0 ? QVariant(marks.checkNote) : QVariant();
    default:
        return {};
    }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
        return titles_.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace lorvena
