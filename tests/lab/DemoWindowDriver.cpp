// The program `make demo` runs, with a scripted user instead of a person:
// the real window (CTavrinApp, the same code as `lorvena`) on Qt's offscreen
// platform, driven through its own controls. The generation switch starts
// this program again, as it starts `lorvena`, so the steps depend on what
// the journal (LORVENA_DRIVER_JOURNAL) already holds:
//   first instance:  "started MODE", then presses the switch button;
//   second instance: "started MODE", presses "Wyszukaj", waits for the
//                    search to end, writes "row IP" per listed device and
//                    "closed", then presses the close button.
// A search that does not end within a minute writes "gave up" and closes.

#include "app/CTavrinApp.h"
#include "control/ControlId.h"
#include "controls/CDlgBuffer.h"
#include "controls/CSortListCtrl.h"
#include "ui/CTavrinDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

namespace {

using lorvena::ControlId;
using lorvena::CTavrinDlg;

QString journalPath()
{
    return qEnvironmentVariable("LORVENA_DRIVER_JOURNAL");
}

QStringList journal()
{
    QFile file(journalPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void note(const QString& line)
{
    QFile file(journalPath());
    if (file.open(QIODevice::Append))
        file.write((line + QLatin1Char('\n')).toUtf8());
}

CTavrinDlg* mainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<CTavrinDlg*>(widget))
            return window;
    }
    return nullptr;
}

void press(CTavrinDlg& window, ControlId id)
{
    static_cast<QAbstractButton*>(window.control(id))->click();
}

// The new generation's search ends when its busy dialog closes; waits for
// it to open first (it does after the broadcasts' pause), then to close.
void searchAndReport(CTavrinDlg& window)
{
    auto* poll = new QTimer(&window);
    auto* clock = new QElapsedTimer;
    clock->start();
    auto busySeen = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, clock, busySeen] {
        const bool busy = window.busyDialog()->isVisible();
        *busySeen = *busySeen || busy;
        const bool ended = *busySeen && !busy;
        if (!ended && clock->elapsed() < 60000)
            return;
        poll->stop();
        delete clock;
        if (!ended)
            note(QStringLiteral("gave up"));
        lorvena::CSortListCtrl* list = window.deviceList();
        list->insertQueuedRows();
        for (int row = 0; row < list->rowCount(); ++row)
            note(QStringLiteral("row ") + list->cellText(row, 4));
        note(QStringLiteral("closed"));
        press(window, ControlId::Close);
    });
    poll->start(100);
    // The busy dialog runs inside the press: the poll must be going first.
    press(window, ControlId::Search);
}

void drive()
{
    CTavrinDlg* window = mainWindow();
    if (!window) {
        note(QStringLiteral("no window"));
        QCoreApplication::exit(1);
        return;
    }
    const bool first = journal().isEmpty();
    const bool newGeneration = window->control(ControlId::ModifyTab)->isVisibleTo(window);
    note(QStringLiteral("started ") + (newGeneration ? QStringLiteral("new") : QStringLiteral("old")));
    if (first)
        press(*window, ControlId::ModeSwitch);
    else
        searchAndReport(*window);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lorvena"));
    QApplication::setApplicationName(QStringLiteral("Lorvena"));
    // Runs once the window is up and the event loop turns.
    QTimer::singleShot(0, &drive);
    return lorvena::CTavrinApp().run();
}
