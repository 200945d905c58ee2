// Integers in texts: leading spaces and a sign allowed, nothing after the digits.

#include "base/IntegerText.h"
#include "base/Errors.h"

#include <gtest/gtest.h>

namespace ondrevo {
namespace {

TEST(StrToInt, ReadsDecimalIntegersWithLeadingSpacesAndSign)
{
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("-1"), -1);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("  12"), 12);
    EXPECT_EQ(StrToInt("05"), 5);
    EXPECT_EQ(StrToInt("-0"), 0);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, RejectsEverythingElseWithTheTextInTheMessage)
{
    for (const char* text : { "", " ", "-", "1 ", "12a", "1.25", "e=", "0x10", "2147483648", "-2147483649",
             "99999999999999999999", "\t1", "1\n" }) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(Trim, RemovesSpacesAndControlCharactersAtBothEnds)
{
    EXPECT_EQ(Trim("  12.3 \r\n"), "12.3");
    EXPECT_EQ(Trim("\x1b[J"), "[J");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim("a b"), "a b");
}

} // namespace
} // namespace ondrevo
