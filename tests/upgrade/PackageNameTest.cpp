#include "upgrade/PackageName.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

struct NameCase {
    const char* name;
    const char* path;
    const char* version;
    bool fits;
};

TEST(CheckPackageName, MatchesTheTitleFieldsAgainstTheVersion)
{
    const NameCase cases[] = {
        {"fields in order", "C:\\fw\\HX7_1.2_full.bin", "1.2.3+HX7", true},
        {"fields swapped", "C:\\fw\\1.2_HX7_full.bin", "1.2.3+HX7", false},
        {"second field must start the version", "C:\\fw\\HX7_1.3_full.bin", "1.2.3+HX7", false},
        {"first field must follow the plus", "C:\\fw\\HX8_1.2_full.bin", "1.2.3+HX7", false},
        {"slash separators", "/home/me/HX7_1.2_full.bin", "1.2.3+HX7", true},
        {"no folder", "HX7_1.2_full.bin", "1.2.3+HX7", true},
        {"backslash wins over slash", "a\\b/HX7_1.2_full.bin", "1.2.3+HX7", false},
        {"dot in a folder is no extension", "C:\\HX7_1.9\\HX8_1.2_full", "1.2+HX8", true},
        {"only the last dot ends the title", "C:\\fw\\HX7_1.2.3_x.tar.gz", "1.2.3+HX7", true},
        {"compared case-sensitively", "C:\\fw\\hx7_1.2_full.bin", "1.2.3+HX7", false},
        {"version without plus is compared whole", "HX7_HX7.1_p.bin", "HX7.1.0", true},
        {"version without plus, other maker", "HX8_HX7.1_p.bin", "HX7.1.0", false},
        {"only the first plus splits", "HX7+b_1.2_p.bin", "1.2+HX7+b", true},
        {"one underscore leaves the second field empty", "C:\\HX7_anything.bin", "1.2+HX7", true},
        {"empty first field", "C:\\_1.2_x.bin", "1.2+HX7", true},
        {"title without underscore always fits", "C:\\fw\\firmware.bin", "9.9+ZZ", true},
        {"extension alone", "C:\\fw\\.bin", "9.9+ZZ", true},
        {"underscore only in the extension", "C:\\fw\\firmware.b_in", "9.9+ZZ", true},
        {"empty version", "HX7_1.2_x.bin", "", false},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckPackageName(c.path, c.version), c.fits);
    }
}

} // namespace
} // namespace lorvena
