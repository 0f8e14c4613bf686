#include "app/QtProcessLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <cstdlib>

namespace lorvena {

bool QtProcessLauncher::startWithoutArguments()
{
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), {}, QDir::currentPath());
}

bool QtProcessLauncher::startWithSameArguments()
{
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments_, QDir::currentPath());
}

void QtProcessLauncher::exitNormally(int exitCode)
{
    QCoreApplication::exit(exitCode);
}

void QtProcessLauncher::exitImmediately(int exitCode)
{
    std::_Exit(exitCode);
}

} // namespace lorvena
