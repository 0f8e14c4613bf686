#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace lorvena {

// A row's mark after its device was looked for again.
enum class RowMark { None, Confirmed, NotSeen };

// The rows of the device list as the view asks for them. The texts stay
// with their owner (the controller's table): a cell is read when it is
// drawn, so ten thousand rows cost the list no copies of their cells. The
// model shows the owner's first rowCount() rows in the owner's order; the
// marks of checked or conflicting devices are the list's own, one small
// record per row.
class DeviceListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // The text of one cell, UTF-8; asked only for rows the model shows.
    using CellReader = std::function<const std::string&(std::size_t row, int column)>;

    // The RowMark of a row, in its first cell.
    static constexpr int checkRole = Qt::UserRole + 1;
    // The conflict's note of a row, in its first cell; empty without one.
    static constexpr int conflictRole = Qt::UserRole + 2;
    // The check's own note, in the first cell (the tooltip may put a
    // conflict's note before it).
    static constexpr int checkNoteRole = Qt::UserRole + 3;
    static QColor confirmedColour() { return QColor(0xd8, 0xf5, 0xd8); }
    static QColor notSeenColour() { return QColor(0xfa, 0xd8, 0xd8); }
    static QColor conflictColour() { return QColor(0xff, 0xd0, 0x80); }

    explicit DeviceListModel(QObject* parent = nullptr);

    void setCellReader(CellReader reader) { reader_ = std::move(reader); }
    // The glyphs of the first cell of a confirmed and of a not-seen row.
    void setMarkIcons(QIcon confirmed, QIcon notSeen);
    void setColumnTitles(const QStringList& titles);

    // The owner has `count` more rows at the bottom.
    void appendRows(int count);
    // The owner reordered its rows and now has `count`: every row shown
    // again in its place, drawn once. Marks belong to places, so they go;
    // the owner marks again.
    void showRows(int count);
    void clearRows();
    // The owner's row changed its texts.
    void rowChanged(int row);
    // The mark of a checked device; None takes it away.
    void setRowCheck(int row, RowMark mark, const QString& note);
    // The note of a device sharing its address; empty takes it away.
    void setRowConflict(int row, const QString& note);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Marks {
        RowMark check = RowMark::None;
        QString checkNote;
        QString conflict;
    };
    QVariant markData(const Marks& marks, int column, int role) const;
    void rowMarksChanged(int row);

    CellReader reader_;
    QStringList titles_;
    std::vector<Marks> marks_; // one per row shown
    QIcon confirmedIcon_;
    QIcon notSeenIcon_;
};

} // namespace lorvena
