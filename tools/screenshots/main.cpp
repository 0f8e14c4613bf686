// Renders the README's screenshots with Qt's offscreen platform: the main
// window of both generations with simulated devices found by a real search
// and a row selected, the same with a Ctrl+click batch, and the busy dialog.
// The search runs in a loopback-only network namespace of its own, so this
// needs root and sends nothing onto any real network.
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
#include <QPixmap>
#include <QTimer>

#include <cstdio>

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

// Searches, selects a row, saves; then marks a batch and saves again.
bool shootGeneration(int searchMode, const QString& skinDirectory, const QString& output)
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
    bool saved = save(window, output + QStringLiteral("/main-%1.png").arg(name));

    controller.rowClicked(1, ClickKind::CtrlOnly);
    controller.rowClicked(3, ClickKind::CtrlOnly);
    controller.rowClicked(4, ClickKind::CtrlOnly);
    pumpFor(100);
    saved = save(window, output + QStringLiteral("/batch-%1.png").arg(name)) && saved;
    controller.shutdownSearch();
    return saved;
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
    QApplication application(argc, argv);
    QString skinDirectory = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QDir::separator();
    QString output = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(output);

    devsim::DeviceFileResult devices = devsim::DeviceFile::load(argv[2]);
    if (!devices.ok()) {
        std::fprintf(stderr, "lorvena-screenshots: %s\n", devices.error.c_str());
        return 1;
    }
    devsim::Simulator simulator(devices.devices, {});
    if (!simulator.start(problem)) {
        std::fprintf(stderr, "lorvena-screenshots: %s\n", problem.c_str());
        return 1;
    }
    bool saved = shootGeneration(1, skinDirectory, output);
    saved = shootGeneration(0, skinDirectory, output) && saved;
    saved = shootBusyDialog(skinDirectory, output) && saved;
    simulator.stop();
    return saved ? 0 : 1;
}
