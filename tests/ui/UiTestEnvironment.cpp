#include "ui/UiTestEnvironment.h"

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

} // namespace lorvena::testing_support
