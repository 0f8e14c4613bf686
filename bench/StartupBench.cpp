// Start-up and memory of the window: the time from exec to the first painted
// window, and the resident memory once a search has listed N devices.
// Each run execs this program again as the window: the same start-up as the
// program's own main (CTavrinApp), watched by an event filter that notes the
// first paint, then presses "Wyszukaj", waits for N rows, reads
// /proc/self/status and closes the window. Run it where N simulated devices
// answer (bench/run_bench.sh runs it inside a lab); with --rows 0 it only
// times the start-up.
// Usage: lorvena_startup_bench [--runs R] [--rows N]

#include "BenchFigures.h"

#include "app/CTavrinApp.h"
#include "controls/CSortListCtrl.h"
#include "ui/CTavrinDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace lorvena;
using namespace lorvena::bench;

constexpr const char* childVariable = "LORVENA_BENCH_WINDOW_ROWS";

long nowNanoseconds()
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count());
}

// A line "Name:   1234 kB" of /proc/self/status, in KiB.
long statusKib(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name, 0) == 0)
            return std::atol(line.c_str() + std::strlen(name));
    }
    return -1;
}

// Watches the application's events for the main window's first paint.
class FirstPaintProbe final : public QObject {
public:
    explicit FirstPaintProbe(int rows) : rows_(rows) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (window_ == nullptr && event->type() == QEvent::Paint) {
            if (auto* window = qobject_cast<CTavrinDlg*>(watched)) {
                window_ = window;
                // Queued: runs once this paint (the one being delivered) is done.
                QMetaObject::invokeMethod(this, [this] { painted(); }, Qt::QueuedConnection);
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void painted()
    {
        std::printf("painted %ld\n", nowNanoseconds());
        std::fflush(stdout);
        if (rows_ <= 0) {
            window_->close();
            return;
        }
        deadline_ = Clock::now() + std::chrono::seconds(30);
        static_cast<QAbstractButton*>(window_->control(ControlId::Search))->click();
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            if (window_->deviceList()->rowCount() < rows_ && Clock::now() < deadline_)
                return;
            poll->stop();
            std::printf("rows %d rss %ld hwm %ld\n", window_->deviceList()->rowCount(), statusKib("VmRSS:"),
                statusKib("VmHWM:"));
            std::fflush(stdout);
            window_->close();
        });
        poll->start(10);
    }

    int rows_;
    CTavrinDlg* window_ = nullptr;
    Clock::time_point deadline_;
};

int runWindow(int argc, char** argv, int rows)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lorvena"));
    QApplication::setApplicationName(QStringLiteral("Lorvena"));
    FirstPaintProbe probe(rows);
    application.installEventFilter(&probe);
    return CTavrinApp().run();
}

struct WindowRun {
    double startMs = -1;
    int rows = 0;
    double rssMib = 0, hwmMib = 0;
};

WindowRun runOnce(const char* self, int rows)
{
    int output[2];
    if (pipe(output) != 0)
        std::exit(1);
    Clock::time_point start = Clock::now();
    pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        setenv(childVariable, std::to_string(rows).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(self, self, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);

    WindowRun run;
    long painted = 0, rss = 0, hwm = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (std::sscanf(line.c_str(), "painted %ld", &painted) == 1) {
            long startNs = static_cast<long>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count());
            run.startMs = static_cast<double>(painted - startNs) / 1e6;
        } else if (std::sscanf(line.c_str(), "rows %d rss %ld hwm %ld", &run.rows, &rss, &hwm) == 3) {
            run.rssMib = static_cast<double>(rss) / 1024.0;
            run.hwmMib = static_cast<double>(hwm) / 1024.0;
        }
    }
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (const char* rows = std::getenv(childVariable)) {
        int wanted = std::atoi(rows);
        unsetenv(childVariable);
        return runWindow(argc, argv, wanted);
    }

    std::size_t runs = 5;
    int rows = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = static_cast<std::size_t>(std::max(1, std::atoi(argv[i + 1])));
        else if (std::strcmp(argv[i], "--rows") == 0)
            rows = std::max(0, std::atoi(argv[i + 1]));
    }
    std::vector<double> start, rss, hwm;
    int fewestRows = rows;
    for (std::size_t run = 0; run < runs; ++run) {
        WindowRun result = runOnce("/proc/self/exe", rows);
        if (result.startMs < 0) {
            std::fprintf(stderr, "startup_bench: the window never reported its first paint\n");
            return 1;
        }
        start.push_back(result.startMs);
        rss.push_back(result.rssMib);
        hwm.push_back(result.hwmMib);
        fewestRows = std::min(fewestRows, result.rows);
    }
    printFigure("start-up: exec to first painted window", median(start), "ms", runs);
    if (rows > 0) {
        if (fewestRows < rows)
            std::printf("startup_bench: only %d of %d rows were listed in one of the runs\n", fewestRows, rows);
        std::string listed = " with " + grouped(static_cast<std::size_t>(rows)) + " rows listed (old mode)";
        printFigure("memory: VmRSS" + listed, median(rss), "MiB", runs);
        printFigure("memory: VmHWM" + listed, median(hwm), "MiB", runs);
    }
    return 0;
}
