#include "app/CTavrinApp.h"

#include "app/QtProcessLauncher.h"
#include "app/SoftCloseServer.h"
#include "control/MainController.h"
#include "control/OnvifLibrary.h"
#include "control/SettingsFile.h"
#include "platform/ExecutablePath.h"
#include "platform/LocalAddresses.h"
#include "platform/SoftCloseChannel.h"
#include "ui/CTavrinDlg.h"
#include "ui/QtMessagePoster.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <memory>

namespace lorvena {

bool CTavrinApp::isSoftStart(const QStringList& arguments)
{
    // The whole argument text must be exactly "-Soft", with its case.
    return arguments.join(QLatin1Char(' ')) == QStringLiteral("-Soft");
}

int CTavrinApp::run()
{
    QStringList arguments = QCoreApplication::arguments().mid(1);
    bool softStart = isSoftStart(arguments);

    std::filesystem::path folder = executableDirectory();
    SettingsFile settings(folder);
    int searchMode = settings.readSearchMode();
    QString skinDirectory = QString::fromStdString((folder / "Skin").string()) + QDir::separator();

    CTavrinDlg window(skinDirectory, searchMode);
    QtMessagePoster poster(&window);
    QtProcessLauncher launcher(arguments);
    MainController::Dependencies dependencies {
        window, poster, localIpv4Addresses, &builtInOnvifLibrary(), {}, &settings, &launcher, softStart};
    dependencies.verifyWait = std::chrono::seconds(settings.readVerifyWaitSeconds());
    auto controller = std::make_unique<MainController>(searchMode, std::move(dependencies));
    window.attach(*controller);
    controller->initialise();

    std::unique_ptr<SoftCloseServer> softClose;
    if (softStart) {
        softClose = std::make_unique<SoftCloseServer>(poster);
        QString problem = softClose->listen(QString::fromStdString(SoftCloseChannel::socketPath().string()));
        if (!problem.isEmpty())
            std::fprintf(stderr, "lorvena: soft-close channel unavailable: %s\n", qPrintable(problem));
    }

    window.show();
    int exitCode = QApplication::exec();
    window.markClosing();

    softClose.reset();
    controller->windowDestroyed();
    controller.reset();
    return exitCode;
}

} // namespace lorvena
