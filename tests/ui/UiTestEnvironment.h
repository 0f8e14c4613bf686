#pragma once

#include <functional>
#include <string>

namespace lorvena::testing_support {

// Why this process has no private network namespace (empty when it has).
void setNamespaceProblem(std::string problem);
const std::string& namespaceProblem();

// For tests that search: skips them with a loud reason when the namespace
// could not be made, or fails them under CI=true.
#define LORVENA_REQUIRE_NAMESPACE()                                                                                    \
    do {                                                                                                               \
        if (!::lorvena::testing_support::namespaceProblem().empty()) {                                                 \
            if (::lorvena::testing_support::inCi())                                                                    \
                FAIL() << "CI=true and no private network namespace: "                                                 \
                       << ::lorvena::testing_support::namespaceProblem();                                              \
            GTEST_SKIP() << "*** SKIPPED: needs a private network namespace (run as root): "                           \
                         << ::lorvena::testing_support::namespaceProblem();                                            \
        }                                                                                                              \
    } while (false)

bool inCi();

// Runs the event loop until `done` holds or `milliseconds` have passed (a
// safety net, not a measurement); returns `done()`.
bool pumpUntil(const std::function<bool()>& done, int milliseconds);

} // namespace lorvena::testing_support
