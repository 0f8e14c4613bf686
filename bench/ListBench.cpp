// The device list with ten thousand rows, on Qt's offscreen platform: the
// time to take them in as a search's replies bring them (a few per turn of
// the event loop), and the time from a header click's sort of the
// controller's table to the list drawn in the new order, by IP and by name.
// Rows arrive in random order, as replies from a network do. The peer is
// the list as it was, kept here only: a QTableWidget holding one item per
// cell, taking the rows in batches every 50 ms as it did and rewriting
// every item after a sort.

#include "BenchFigures.h"

#include "control/DeviceListSort.h"
#include "controls/CSortListCtrl.h"
#include "discovery/DeviceTable.h"
#include "ui/DeviceListColumns.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

namespace {

using namespace lorvena;
using namespace lorvena::bench;

constexpr std::size_t rowCount = 10'000;
constexpr int ipColumn = 4;
constexpr int nameColumn = 2;

// Rows like those of the simulator's generated devices, in random order.
std::vector<DeviceRecord> arrivingRows(unsigned seed)
{
    static const char* kinds[] = {"IPCAMERA", "DVR", "NVR", "HVR", "XVR", "DECODER", "IPC"};
    DeviceRecord common;
    for (auto [field, text] : {std::pair {DeviceField::Firmware, "V1.0.0 build 240101"},
             {DeviceField::Mask, "255.255.0.0"}, {DeviceField::Gateway, "10.1.0.1"}, {DeviceField::Dns, "10.1.0.1"},
             {DeviceField::HttpPort, "80"}, {DeviceField::RtspPort, "554"}, {DeviceField::Channels, "8"},
             {DeviceField::Dhcp, dhcpOffText.data()}, {DeviceField::TypeCode, "610"}})
        common.field(field) = std::string(text);
    std::vector<DeviceRecord> rows;
    for (std::size_t i = 0; i < rowCount; ++i) {
        char name[32], ip[32], mac[32];
        std::uint32_t address = 0x0A010101u + static_cast<std::uint32_t>(i);
        std::snprintf(name, sizeof name, "SIM-%05zu", i + 1);
        std::snprintf(ip, sizeof ip, "%u.%u.%u.%u", address >> 24, (address >> 16) & 255, (address >> 8) & 255,
            address & 255);
        std::snprintf(mac, sizeof mac, "024C56%06zX", i);
        DeviceRecord row = common;
        row.kind = std::string(kinds[i % 7]);
        row.name = std::string(name);
        row.ip = std::string(ip);
        row.mac = std::string(mac);
        rows.push_back(std::move(row));
    }
    std::shuffle(rows.begin(), rows.end(), std::mt19937(seed));
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].number = std::to_string(i + 1);
    return rows;
}

DeviceTable tableOf(const std::vector<DeviceRecord>& rows)
{
    DeviceTable table(TableLayout::NewMode);
    for (const DeviceRecord& row : rows)
        table.append(row);
    return table;
}

std::vector<std::string> textsOf(const DeviceTable& table, std::size_t row)
{
    std::vector<std::string> texts;
    for (std::size_t column = 0; column < table.columnCount(); ++column)
        texts.push_back(table.text(row, static_cast<int>(column)));
    return texts;
}

void showOnScreen(QWidget& list)
{
    list.resize(1000, 420);
    list.show();
    if (!QTest::qWaitForWindowExposed(&list))
        std::fprintf(stderr, "list_bench: the list was never exposed\n");
}

// The list as the window has it: cells read from the table when drawn.
std::unique_ptr<CSortListCtrl> shownList(const DeviceTable& table)
{
    auto list = std::make_unique<CSortListCtrl>(1000);
    list->setColumns(listColumnsOf(TableLayout::NewMode));
    list->setCellReader(
        [&table](std::size_t row, int column) -> const std::string& { return table.text(row, column); });
    showOnScreen(*list);
    return list;
}

// The peer: the list as it was, one QTableWidgetItem per cell, its own copy
// of every text; rows queued and put in together every 50 ms, a sort's new
// order written over every item.
class ItemPerCellList final : public QTableWidget {
public:
    ItemPerCellList()
    {
        timer_.setSingleShot(true);
        timer_.setInterval(std::chrono::milliseconds(50));
        QObject::connect(&timer_, &QTimer::timeout, [this] { insertQueuedRows(); });
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setWordWrap(false);
        verticalHeader()->hide();
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
        const std::vector<ListColumn> columns = listColumnsOf(TableLayout::NewMode);
        setColumnCount(static_cast<int>(columns.size()));
        QStringList titles;
        for (const ListColumn& column : columns)
            titles << QString::fromUtf8(column.title.data(), static_cast<qsizetype>(column.title.size()));
        setHorizontalHeaderLabels(titles);
        for (int c = 0; c < columnCount(); ++c)
            setColumnWidth(c, columns[static_cast<std::size_t>(c)].width);
        showOnScreen(*this);
    }

    void queueRow(std::vector<std::string> texts)
    {
        queued_.push_back(std::move(texts));
        if (!timer_.isActive())
            timer_.start();
    }
    std::size_t queuedRowCount() const { return queued_.size(); }
    void insertQueuedRows()
    {
        timer_.stop();
        std::vector<std::vector<std::string>> rows;
        rows.swap(queued_);
        const int first = rowCount();
        setUpdatesEnabled(false);
        setRowCount(first + static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            setRow(first + static_cast<int>(i), rows[i]);
        setUpdatesEnabled(true);
    }
    void showRows(const std::vector<std::vector<std::string>>& rows)
    {
        setUpdatesEnabled(false);
        setRowCount(static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            setRow(static_cast<int>(i), rows[i]);
        setUpdatesEnabled(true);
    }

private:
    void setRow(int row, const std::vector<std::string>& texts)
    {
        for (int c = 0; c < columnCount(); ++c) {
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

    QTimer timer_;
    std::vector<std::vector<std::string>> queued_;
};

// Rows arrive as the replies of a search do, a few per turn of the event
// loop; the time runs until the last of them is in and drawn. The
// controller's table already holds them: its growth is not the list's.
constexpr std::size_t rowsPerTurn = 10;

// Notes when a widget is painted.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(QWidget& widget) : widget_(widget) { widget_.installEventFilter(this); }
    ~PaintWatch() override { widget_.removeEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }

private:
    QWidget& widget_;
};

// Runs the event loop until the rows' area has been painted once, as the
// window would show it: whatever the view put off (its layout after an
// insert) happens first.
void drawNow(QAbstractItemView& list)
{
    PaintWatch watch(*list.viewport());
    list.viewport()->update();
    while (!watch.painted)
        QCoreApplication::processEvents();
}

double insertIntoList(const DeviceTable& table)
{
    auto list = shownList(table);
    Clock::time_point start = Clock::now();
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        list->queueRow();
        if (row % rowsPerTurn == rowsPerTurn - 1)
            QCoreApplication::processEvents();
    }
    while (list->queuedRowCount() > 0)
        QCoreApplication::processEvents();
    drawNow(*list);
    return millisecondsSince(start);
}

double insertIntoItems(const DeviceTable& table)
{
    ItemPerCellList list;
    Clock::time_point start = Clock::now();
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        list.queueRow(textsOf(table, row));
        if (row % rowsPerTurn == rowsPerTurn - 1)
            QCoreApplication::processEvents();
    }
    while (list.queuedRowCount() > 0)
        QCoreApplication::processEvents();
    drawNow(list);
    return millisecondsSince(start);
}

struct SortTimes {
    double table = 0; // the controller's sort of its table alone
    double list = 0;  // that sort and the list drawn in the new order
    double items = 0; // the same with the peer
};

// As a header click sorts it.
void sortTable(DeviceTable& table, int column)
{
    DeviceListSort sort;
    sort.clickHeader(column);
    table.sortByColumnKeys(
        column, [&sort](const std::string& text) { return sort.keyOf(text); },
        [&sort](const DeviceListSort::Key& a, const DeviceListSort::Key& b) { return sort.before(a, b); });
}

SortTimes sortBy(int column, const std::vector<DeviceRecord>& rows)
{
    SortTimes times;
    {
        DeviceTable table = tableOf(rows);
        Clock::time_point start = Clock::now();
        sortTable(table, column);
        times.table = millisecondsSince(start);
    }
    {
        DeviceTable table = tableOf(rows);
        auto list = shownList(table);
        list->showRows(static_cast<int>(table.rowCount()));
        drawNow(*list);
        Clock::time_point start = Clock::now();
        sortTable(table, column);
        list->showRows(static_cast<int>(table.rowCount()));
        drawNow(*list);
        times.list = millisecondsSince(start);
    }
    {
        DeviceTable table = tableOf(rows);
        ItemPerCellList list;
        for (std::size_t row = 0; row < table.rowCount(); ++row)
            list.queueRow(textsOf(table, row));
        list.insertQueuedRows();
        drawNow(list);
        Clock::time_point start = Clock::now();
        sortTable(table, column);
        std::vector<std::vector<std::string>> texts;
        texts.reserve(table.rowCount());
        for (std::size_t row = 0; row < table.rowCount(); ++row)
            texts.push_back(textsOf(table, row));
        list.showRows(texts);
        drawNow(list);
        times.items = millisecondsSince(start);
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
    }
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::vector<double> inserted, insertedItems;
    std::vector<double> ipTable, ipList, ipItems, nameTable, nameList, nameItems;
    for (std::size_t run = 0; run < runs; ++run) {
        std::vector<DeviceRecord> rows = arrivingRows(static_cast<unsigned>(run + 1));
        const DeviceTable table = tableOf(rows);
        inserted.push_back(insertIntoList(table));
        insertedItems.push_back(insertIntoItems(table));
        SortTimes ip = sortBy(ipColumn, rows);
        ipTable.push_back(ip.table);
        ipList.push_back(ip.list);
        ipItems.push_back(ip.items);
        SortTimes name = sortBy(nameColumn, rows);
        nameTable.push_back(name.table);
        nameList.push_back(name.list);
        nameItems.push_back(name.items);
    }

    const std::string peer = "one item per cell";
    printFigure("list (Qt): 10,000 rows arriving 10 per event-loop turn, all in and drawn", median(inserted), "ms",
        runs, ratioTo(median(inserted), median(insertedItems), peer, "ms"));
    printFigure("list (Qt): sort 10,000 rows by IP and draw them", median(ipList), "ms", runs,
        ratioTo(median(ipList), median(ipItems), peer, "ms"));
    printFigure("list (Qt): sort 10,000 rows by name and draw them", median(nameList), "ms", runs,
        ratioTo(median(nameList), median(nameItems), peer, "ms"));
    printFigure("table: sort 10,000 rows by IP (DeviceListSort)", median(ipTable), "ms", runs, {}, 2);
    printFigure("table: sort 10,000 rows by name (DeviceListSort)", median(nameTable), "ms", runs, {}, 2);
    return 0;
}
