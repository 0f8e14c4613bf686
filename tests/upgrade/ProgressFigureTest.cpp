#include "upgrade/ProgressFigure.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace lorvena {
namespace {

struct FigureCase {
    const char* name;
    std::string body;
    int figure;
};

TEST(DeviceProgressFigure, ReadsTheNumberAfterProcess)
{
    const FigureCase cases[] = {
        {"plain", "process=37<br>", 37},
        {"fraction truncated", "process=37.9<br>", 37},
        {"negative", "process=-3<br>", -3},
        {"negative fraction truncates toward zero", "process=-3.9<br>", -3},
        {"negative below one is zero", "process=-0.5", 0},
        {"leading blanks", "state=1\nprocess=  42\nok", 42},
        {"plus sign", "process=+5<br>", 5},
        {"fraction only", "process=.5<br>", 0},
        {"complete", "<html>process=100<br></html>", 100},
        {"ends at the end of the body", "process=64", 64},
        {"stops at the first non-digit", "process=1 2<br>", 1},
        {"first key counts", "process=12<br>process=99<br>", 12},
        {"line feed ends the text", "process=\n7", 0},
        {"br ends the text", "process=<br>7", 0},
        {"no number", "process=abc<br>", 0},
        {"no key", "upgrading 55", 0},
        {"empty body", "", 0},
        {"NUL ends the body", std::string("x\0process=5", 11), 0},
        {"huge figure saturates", "process=99999999999999999999999999<br>", INT_MAX},
        {"huge negative saturates", "process=-99999999999999999999999999", -INT_MAX},
    };
    for (const FigureCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(deviceProgressFigure(c.body), c.figure);
    }
}

TEST(MappedProgress, PutsTheFigureOnTheSecondHalf)
{
    const std::pair<int, int> cases[] = {
        {0, 50}, {1, 50}, {37, 68}, {99, 99}, {100, 100}, {101, 100}, {102, 101}, {-3, 49}, {INT_MAX, INT_MAX / 2 + 50},
        {-INT_MAX, -INT_MAX / 2 + 50},
    };
    for (const auto& [figure, value] : cases) {
        SCOPED_TRACE(figure);
        EXPECT_EQ(mappedProgress(figure), value);
    }
}

} // namespace
} // namespace lorvena
