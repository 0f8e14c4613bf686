#include "discovery/OuiList.h"

#include <gtest/gtest.h>

namespace lorvena {
namespace {

// The shape of Debian's oui.txt: a heading, then per prefix a "(hex)" line
// and a "(base 16)" line with the maker's address below.
constexpr std::string_view sample = "OUI/MA-L\t\t\t\t\t\t\tOrganization\r\n"
                                    "company_id\t\t\t\t\tOrganization\r\n"
                                    "\t\t\t\t\t\t\t\tAddress\r\n"
                                    "\r\n"
                                    "00-12-AB   (hex)\t\tKamery Łódź Sp. z o.o.\r\n"
                                    "0012AB     (base 16)\t\tKamery Łódź Sp. z o.o.\r\n"
                                    "\t\t\t\tul. Piotrkowska 1\r\n"
                                    "\r\n"
                                    "A4-14-37   (hex)\t\tRecorder Works\n"
                                    "A414-37    (hex)\t\tMisprinted Prefix\n"
                                    "FF-FF-FF   (hex)\t\t\n";

TEST(OuiList, NamesTheMakerOfAMacInAnySpelling)
{
    const OuiList list = OuiList::parse(sample);
    struct Case {
        const char* mac;
        const char* maker;
    };
    for (const Case& c : {
             Case {"00:12:AB:00:00:01", "Kamery Łódź Sp. z o.o."},
             Case {"00-12-ab-10-20-30", "Kamery Łódź Sp. z o.o."},
             Case {"a41437000001", "Recorder Works"},
             Case {"00:12:AC:00:00:01", ""}, // a prefix the list lacks
             Case {"FF:FF:FF:00:00:01", ""}, // listed without a maker
             Case {"", ""},
             Case {"not a mac", ""},
         }) {
        SCOPED_TRACE(c.mac);
        EXPECT_EQ(list.makerOf(c.mac), c.maker);
    }
}

TEST(OuiList, AMissingFileNamesNoMaker)
{
    EXPECT_TRUE(OuiList::read("/nonexistent/oui.txt").empty());
}

} // namespace
} // namespace lorvena
