// Entry point of the tests that send real datagrams. Each test process moves
// into a fresh loopback-only network namespace first, so nothing it sends
// can reach the machine's network.

#include "devsim/LoopbackNamespace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

    std::string problem;
    if (!lorvena::devsim::LoopbackNamespace::enter(problem)) {
        if (inCi()) {
            std::fprintf(stderr, "FAILED: network tests cannot run: %s\n", problem.c_str());
            return 1;
        }
        std::fprintf(stderr,
            "\n*** SKIPPED: network tests need their own network namespace: %s.\n"
            "*** Run them as root (sudo make test) to exercise the real sockets.\n\n",
            problem.c_str());
        return skipExitCode;
    }
    return RUN_ALL_TESTS();
}
