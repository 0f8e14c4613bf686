// Entry point of the window tests: Qt's offscreen platform, a configuration
// folder of their own (saved widths, a fallback Account.ini) so that a real
// user's is never touched, and, when this process may, a loopback-only
// network namespace of its own so that the tests that search can broadcast
// without reaching any real network.

#include "ui/UiTestEnvironment.h"

#include "devsim/LoopbackNamespace.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A window that ends calls QCoreApplication::exit(), as the program's main
// loop needs. With no loop running, as in a test, Qt keeps that request and
// every later modal loop (the busy dialog's) returns at once; one turn of
// the application's own loop after each test clears it, so that the tests
// of one process do not depend on each other's order.
class ClearEndedApplicationLoop final : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override
    {
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configuration;
    if (!configuration.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", configuration.path().toLocal8Bit());
    if (!GTEST_FLAG_GET(list_tests)) {
        std::string problem;
        if (!lorvena::devsim::LoopbackNamespace::enter(problem))
            lorvena::testing_support::setNamespaceProblem(problem);
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("LorvenaTests"));
    QApplication::setApplicationName(QStringLiteral("LorvenaTests"));
    testing::UnitTest::GetInstance()->listeners().Append(new ClearEndedApplicationLoop);
    return RUN_ALL_TESTS();
}
