// Entry point of the modify tests that put datagrams on the wire. Each test
// process first moves into a fresh loopback-only network namespace, so no
// modify request can reach a real device on the machine's network.

#include "devsim/LoopbackNamespace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int skipExitCode = 77;

bool inCi()
{
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    // Before any thread starts: the namespace applies to the threads started later.
    std::string problem;
    if (!lorvena::devsim::LoopbackNamespace::enter(problem)) {
        if (inCi()) {
            std::fprintf(stderr, "FAILED: modify network tests cannot run: %s\n", problem.c_str());
            return 1;
        }
        std::fprintf(stderr,
            "\n*** SKIPPED: modify network tests need their own network namespace: %s.\n"
            "*** Run them as root (sudo make test) to exercise the real sockets.\n\n",
            problem.c_str());
        return skipExitCode;
    }
    return RUN_ALL_TESTS();
}
