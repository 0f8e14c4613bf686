// The device list with ten thousand rows, on Qt's offscreen platform: the
// time to take them in as a search's replies bring them (queued and inserted
// in batches, against one insertRow per row as the list used to), to show
// them in a new order after a header click (one rewrite drawn once, against
// a rewrite row by row), and the controller's own sort of the table by IP
// and by name. Rows arrive in random order, as replies from a network do.

#include "BenchFigures.h"

#include "control/DeviceListSort.h"
#include "controls/CSortListCtrl.h"
#include "discovery/DeviceTable.h"
#include "ui/DeviceListColumns.h"

#include <QApplication>
#include <QTest>

#include <cstdlib>
#include <cstring>
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

std::vector<std::string> textsOf(const DeviceTable& table, std::size_t row)
{
    std::vector<std::string> texts;
    for (std::size_t column = 0; column < table.columnCount(); ++column)
        texts.push_back(table.text(row, static_cast<int>(column)));
    return texts;
}

std::unique_ptr<CSortListCtrl> shownList()
{
    auto list = std::make_unique<CSortListCtrl>(1000);
    list->setColumns(listColumnsOf(TableLayout::NewMode));
    list->resize(1000, 420);
    list->show();
    if (!QTest::qWaitForWindowExposed(list.get()))
        std::fprintf(stderr, "list_bench: the list was never exposed\n");
    return list;
}

void fill(CSortListCtrl& list, const DeviceTable& table)
{
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        list.queueRow(textsOf(table, row));
    list.insertQueuedRows();
    list.repaint();
}

// Rows arrive as the replies of a search do, a few per turn of the event
// loop; the time runs until the last of them is in and drawn.
constexpr std::size_t rowsPerTurn = 10;

double insertQueued(const DeviceTable& table)
{
    auto list = shownList();
    Clock::time_point start = Clock::now();
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        list->queueRow(textsOf(table, row));
        if (row % rowsPerTurn == rowsPerTurn - 1)
            QCoreApplication::processEvents();
    }
    while (list->queuedRowCount() > 0)
        QCoreApplication::processEvents();
    list->repaint();
    return millisecondsSince(start);
}

// What the list did before: one insertRow and its cells per reply.
double insertRowByRow(const DeviceTable& table)
{
    auto list = shownList();
    Clock::time_point start = Clock::now();
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        int at = list->rowCount();
        list->insertRow(at);
        std::vector<std::string> texts = textsOf(table, row);
        for (int column = 0; column < list->columnCount(); ++column) {
            auto* cell = new QTableWidgetItem(QString::fromStdString(texts[static_cast<std::size_t>(column)]));
            cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            list->setItem(at, column, cell);
        }
        if (row % rowsPerTurn == rowsPerTurn - 1)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    list->repaint();
    return millisecondsSince(start);
}

struct SortTimes {
    double table = 0;  // the controller's sort of its table
    double shown = 0;  // the list showing the new order at once
    double rowByRow = 0; // the list rewritten row by row, as before
};

SortTimes sortBy(int column, const std::vector<DeviceRecord>& rows)
{
    DeviceTable table(TableLayout::NewMode);
    for (const DeviceRecord& row : rows)
        table.append(row);
    auto list = shownList();
    auto peer = shownList();
    fill(*list, table);
    fill(*peer, table);

    SortTimes times;
    DeviceListSort sort;
    sort.clickHeader(column);
    Clock::time_point start = Clock::now();
    table.sortByColumn(column, [&sort](const std::string& a, const std::string& b) { return sort.before(a, b); });
    times.table = millisecondsSince(start);

    start = Clock::now();
    std::vector<std::vector<std::string>> texts;
    texts.reserve(table.rowCount());
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        texts.push_back(textsOf(table, row));
    list->showRows(texts);
    list->repaint();
    times.shown = millisecondsSince(start);

    start = Clock::now();
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        peer->setRowTexts(static_cast<int>(row), textsOf(table, row));
    peer->repaint();
    times.rowByRow = millisecondsSince(start);
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

    std::vector<double> batched, rowByRow;
    std::vector<double> ipTable, ipShown, ipRowByRow, nameTable, nameShown, nameRowByRow;
    for (std::size_t run = 0; run < runs; ++run) {
        std::vector<DeviceRecord> rows = arrivingRows(static_cast<unsigned>(run + 1));
        DeviceTable table(TableLayout::NewMode);
        for (const DeviceRecord& row : rows)
            table.append(row);
        batched.push_back(insertQueued(table));
        rowByRow.push_back(insertRowByRow(table));
        SortTimes ip = sortBy(ipColumn, rows);
        ipTable.push_back(ip.table);
        ipShown.push_back(ip.shown);
        ipRowByRow.push_back(ip.rowByRow);
        SortTimes name = sortBy(nameColumn, rows);
        nameTable.push_back(name.table);
        nameShown.push_back(name.shown);
        nameRowByRow.push_back(name.rowByRow);
    }

    printFigure("list (Qt): 10,000 rows arriving 10 per event-loop turn, all in and drawn", median(batched), "ms",
        runs, ratioTo(median(batched), median(rowByRow), "one insertRow per row", "ms"));
    printFigure("list (Qt): show 10,000 rows sorted by IP", median(ipShown), "ms", runs,
        ratioTo(median(ipShown), median(ipRowByRow), "rewrite row by row", "ms"));
    printFigure("list (Qt): show 10,000 rows sorted by name", median(nameShown), "ms", runs,
        ratioTo(median(nameShown), median(nameRowByRow), "rewrite row by row", "ms"));
    printFigure("table: sort 10,000 rows by IP (DeviceListSort)", median(ipTable), "ms", runs, {}, 2);
    printFigure("table: sort 10,000 rows by name (DeviceListSort)", median(nameTable), "ms", runs, {}, 2);
    return 0;
}
