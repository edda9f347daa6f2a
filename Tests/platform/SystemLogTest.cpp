#include "LogCapture.h"
#include "SystemLog.h"

#include <gtest/gtest.h>

TEST(SystemLog, PrefixedAndPlainLines)
{
    LogCapture log;
    BTLogInfo("-[BTDriverManager setPressureDamping:]", "pressure damping %f mod is %f", 0.5, 1.0);
    const int line = __LINE__ - 1;
    BTLogWarn("-[BTDriverManager openHIDService]", "error opning port");
    SystemLog::logPlain("Updated Screen Mapping: %.2f\n", 1.0);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "-[BTDriverManager setPressureDamping:][Line " + std::to_string(line) +
                            "] [info] pressure damping 0.500000 mod is 1.000000");
    EXPECT_NE(lines[1].find("] [-warn-] error opning port"), std::string::npos);
    EXPECT_EQ(lines[2], "Updated Screen Mapping: 1.00\n");
}
