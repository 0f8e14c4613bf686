// Renders the README's screenshots with Qt's offscreen platform: the main
// window of both generations with simulated devices found by a real search
// and a row selected, the same with a Ctrl+click batch, the busy dialog, and
// the new generation's window on a screen of twice the scale and under a
// dark desktop theme. The search runs in a loopback-only network namespace
// of its own, so this needs root and sends nothing onto any real network.
//
// Usage: lorvena-screenshots SKIN_DIR DEVICES_JSON OUTPUT_DIR

#include "control/MainController.h"
#include "controls/CDlgBuffer.h"
#include "controls/CSortListCtrl.h"
#include "devsim/DeviceFile.h"
#include "devsim/LoopbackNamespace.h"
#include "devsim/Simulator.h"
#include "platform/LocalAddresses.h"
#include "ui/CTavrinDlg.h"
#include "ui/QtMessagePoster.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPalette>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace lorvena;

void pumpFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QWidget& widget, const QString& path)
{
    if (widget.grab().save(path))
        return true;
    std::fprintf(stderr, "lorvena-screenshots: cannot write %s\n", qPrintable(path));
    return false;
}

enum class Shots { WindowAndBatch, WindowOnly };

// Searches, selects a row, saves as main-GENERATION[suffix].png; then, for
// WindowAndBatch, marks a batch and saves batch-GENERATION[suffix].png.
bool shootGeneration(
    int searchMode, const QString& skinDirectory, const QString& output, const QString& suffix, Shots shots)
{
    CTavrinDlg window(skinDirectory, searchMode);
    QtMessagePoster poster(&window);
    MainController controller(searchMode, {window, poster, localIpv4Addresses});
    window.attach(controller);
    controller.initialise();
    window.show();
    controller.search();
    pumpFor(1500);
    controller.headerClicked(searchMode == 0 ? 3 : 4);
    controller.rowClicked(2, ClickKind::Plain);
    window.deviceList()->selectRow(2);
    pumpFor(100);
    QString name = searchMode == 0 ? QStringLiteral("old") : QStringLiteral("new");
    bool saved = save(window, output + QStringLiteral("/main-%1%2.png").arg(name, suffix));

    if (shots == Shots::WindowAndBatch) {
        controller.rowClicked(1, ClickKind::CtrlOnly);
        controller.rowClicked(3, ClickKind::CtrlOnly);
        controller.rowClicked(4, ClickKind::CtrlOnly);
        pumpFor(100);
        saved = save(window, output + QStringLiteral("/batch-%1%2.png").arg(name, suffix)) && saved;
    }
    controller.shutdownSearch();
    return saved;
}

// A dark desktop theme, as the window meets it on such desktops.
QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(235, 235, 235));
    dark.setColor(QPalette::Button, QColor(45, 45, 48));
    dark.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    return dark;
}

// Starts the simulated devices, runs `shoot`, stops them.
bool withDevices(const std::vector<devsim::SimulatedDevice>& devices, const std::function<bool()>& shoot)
{
    devsim::Simulator simulator(devices, {});
    std::string problem;
    if (!simulator.start(problem)) {
        std::fprintf(stderr, "lorvena-screenshots: %s\n", problem.c_str());
        return false;
    }
    bool saved = shoot();
    simulator.stop();
    return saved;
}

// The window on a screen of twice the scale. Qt reads the scale once, when
// the application starts: so this runs in a process of its own, forked
// before this one starts anything, in the same namespace.
bool shootDoubleScale(int argc, char** argv, const QString& skinDirectory, const QString& output,
    const std::vector<devsim::SimulatedDevice>& devices)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        std::perror("lorvena-screenshots: fork");
        return false;
    }
    if (child == 0) {
        qputenv("QT_SCALE_FACTOR", "2");
        QApplication application(argc, argv);
        const bool saved = withDevices(devices, [&] {
            return shootGeneration(1, skinDirectory, output, QStringLiteral("-2x"), Shots::WindowOnly);
        });
        std::fflush(nullptr);
        _exit(saved ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool shootBusyDialog(const QString& skinDirectory, const QString& output)
{
    CDlgBuffer dialog(skinDirectory);
    dialog.setBackground(QPixmap(QStringLiteral(":/artwork/busy_search.png")));
    dialog.show();
    pumpFor(100);
    return save(dialog, output + QStringLiteral("/busy-search.png"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: lorvena-screenshots SKIN_DIR DEVICES_JSON OUTPUT_DIR\n");
        return 2;
    }
    std::string problem;
    if (!devsim::LoopbackNamespace::enter(problem)) {
        std::fprintf(stderr, "lorvena-screenshots: %s (run it as root: make screenshots)\n", problem.c_str());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QString skinDirectory = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QDir::separator();
    QString output = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(output);

    devsim::DeviceFileResult devices = devsim::DeviceFile::load(argv[2]);
    if (!devices.ok()) {
        std::fprintf(stderr, "lorvena-screenshots: %s\n", devices.error.c_str());
        return 1;
    }
    bool saved = shootDoubleScale(argc, argv, skinDirectory, output, devices.devices);

    QApplication application(argc, argv);
    saved = withDevices(devices.devices, [&] {
        bool shot = shootGeneration(1, skinDirectory, output, QString(), Shots::WindowAndBatch);
        shot = shootGeneration(0, skinDirectory, output, QString(), Shots::WindowAndBatch) && shot;
        shot = shootBusyDialog(skinDirectory, output) && shot;
        QApplication::setPalette(darkPalette());
        return shootGeneration(1, skinDirectory, output, QStringLiteral("-dark"), Shots::WindowOnly) && shot;
    }) && saved;
    return saved ? 0 : 1;
}
