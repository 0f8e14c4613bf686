#pragma once

#include "control/ProcessLauncher.h"

#include <QStringList>

namespace lorvena {

// Starts new instances of this executable with QProcess and ends this one.
class QtProcessLauncher final : public ProcessLauncher {
public:
    // `arguments`: this process's arguments, without the program name.
    explicit QtProcessLauncher(QStringList arguments) : arguments_(std::move(arguments)) {}

    bool startWithoutArguments() override;
    bool startWithSameArguments() override;
    void exitNormally(int exitCode) override;
    void exitImmediately(int exitCode) override;

private:
    QStringList arguments_;
};

} // namespace lorvena
