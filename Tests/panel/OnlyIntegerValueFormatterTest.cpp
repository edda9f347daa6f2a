// The edge fields' filter: one number from 0 to 1 in at most four characters,
// with a beep for what is not a number in range.
#include "OnlyIntegerValueFormatter.h"

#include <gtest/gtest.h>

TEST(OnlyIntegerValueFormatter, AcceptsOneNumberFromZeroToOneOfAtMostFourCharacters)
{
    OnlyIntegerValueFormatter formatter;
    int beeps = 0;
    formatter.setBeep([&] { ++beeps; });
    const auto check = [&](const char* input, QValidator::State state, int beeped) {
        beeps = 0;
        QString text = QString::fromUtf8(input);
        int pos = 0;
        EXPECT_EQ(formatter.validate(text, pos), state) << input;
        EXPECT_EQ(beeps, beeped) << input;
    };
    for (const char* text : {"", "0.25", "1", " 0.5", "0."}) check(text, QValidator::Acceptable, 0);
    for (const char* text : {"1.5", "-0.1", "abc", ".", "0.5x", "1,0"}) check(text, QValidator::Invalid, 1);
    check("0.255", QValidator::Invalid, 0); // too long: refused without a beep
}
