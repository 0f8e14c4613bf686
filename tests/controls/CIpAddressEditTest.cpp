#include "controls/CIpAddressEdit.h"
#include "controls/ControlsTestSupport.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace lorvena {
namespace {

using testing_support::showWindow;

// Types into whichever field the edit has moved the caret to.
void type(CIpAddressEdit& edit, const char* keys)
{
    for (const char* key = keys; *key != '\0'; ++key) {
        QWidget* field = edit.focusWidget();
        ASSERT_NE(field, nullptr);
        if (*key == '<')
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClick(field, *key);
    }
}

class IpEditTest : public testing::Test {
protected:
    void SetUp() override
    {
        edit.resize(140, 22);
        showWindow(edit);
    }

    // Starts typing in field `index`, its text selected.
    void startIn(int index)
    {
        edit.field(index)->setFocus();
        edit.field(index)->selectAll();
    }

    CIpAddressEdit edit;
};

TEST_F(IpEditTest, AddressesRoundTripFirstOctetMostSignificant)
{
    for (std::uint32_t address : {0u, 0xC0A8010Au, 0xFFFFFF00u, 0x0A000001u, 0xFFFFFFFFu}) {
        edit.setAddress(address);
        EXPECT_EQ(edit.address(), address);
    }
    edit.setAddress(0xC0A8010Au);
    QStringList octets;
    for (int i = 0; i < 4; ++i)
        octets << edit.field(i)->text();
    EXPECT_EQ(octets.join(QLatin1Char('.')), "192.168.1.10");
}

TEST_F(IpEditTest, TypingFillsTheFieldsInTurn)
{
    struct Case {
        std::uint32_t before;
        int startField;
        const char* keys;
        std::uint32_t after;
    } cases[] = {
        {0, 0, "10.1.200.7", 0x0A01C807u},
        {0, 0, "192168001010", 0xC0A8010Au},    // a third digit moves on
        {0, 0, "300.", 0xFF000000u},            // at most 255
        {0, 0, "1.<.2", 0x01020000u},           // a dot in an emptied field is ignored
        {0, 0, "12.<<<", 0x01000000u},          // Backspace in an empty field goes back
        {0, 0, "1a-2", 0x0C000000u},            // only digits
        {0xC0A8010Au, 3, "99", 0xC0A80163u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        edit.setAddress(c.before);
        startIn(c.startField);
        type(edit, c.keys);
        EXPECT_EQ(edit.address(), c.after);
    }
}

TEST_F(IpEditTest, ADigitTypedIntoAFullFieldStartsTheNextOne)
{
    edit.setAddress(0xC0A8010Au);
    edit.field(0)->setFocus();
    edit.field(0)->end(false);
    type(edit, "5");
    EXPECT_EQ(edit.address(), 0xC005010Au); // 192.5.1.10
}

TEST_F(IpEditTest, ReportsChanges)
{
    QSignalSpy changes(&edit, &CIpAddressEdit::addressChanged);
    edit.setAddress(0x0A000001u);
    EXPECT_EQ(changes.count(), 1);
    edit.setAddress(0x0A000001u);
    EXPECT_EQ(changes.count(), 1);
    startIn(3);
    type(edit, "2");
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(IpEditTest, ADisabledEditTakesNoTyping)
{
    edit.setAddress(0x0A000001u);
    startIn(3);
    edit.setEnabled(false);
    QTest::keyClicks(edit.field(3), "9");
    EXPECT_EQ(edit.address(), 0x0A000001u);
    edit.setEnabled(true);
    startIn(3);
    type(edit, "9");
    EXPECT_EQ(edit.address(), 0x0A000009u);
}

} // namespace
} // namespace lorvena
