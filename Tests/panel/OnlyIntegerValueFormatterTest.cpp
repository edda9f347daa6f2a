// The edge fields' filter: one number from 0 to 1 in at most four characters,
// with a beep for anything else that is typed.
#include "OnlyIntegerValueFormatter.h"

#include <QStringList>
#include <gtest/gtest.h>

TEST(OnlyIntegerValueFormatter, AcceptsOneNumberFromZeroToOneOfAtMostFourCharacters)
{
    OnlyIntegerValueFormatter formatter;
    int beeps = 0;
    formatter.setBeep([&] { ++beeps; });
    QStringList accepted;
    for (const char* typed : {"", "0.25", "1", " 0.5", "0.", "1.5", "-0.1", "abc", ".", "0.5x", "0.255", "1,0"}) {
        QString text = QString::fromUtf8(typed);
        int pos = 0;
        if (formatter.validate(text, pos) == QValidator::Acceptable) accepted << text;
    }
    EXPECT_EQ(accepted, (QStringList{"", "0.25", "1", " 0.5", "0."}));
    EXPECT_EQ(beeps, 6); // every refusal but the one for the length
}
