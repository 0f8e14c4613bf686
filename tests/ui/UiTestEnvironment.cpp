#include "ui/UiTestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <cstring>

namespace lorvena::testing_support {

namespace {
std::string& problemText()
{
    static std::string text;
    return text;
}
} // namespace

void setNamespaceProblem(std::string problem)
{
    problemText() = std::move(problem);
}

const std::string& namespaceProblem()
{
    return problemText();
}

bool inCi()
{
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

bool pumpUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace lorvena::testing_support
