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
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
        "-[BTDriverManager setPressureDamping:][Line " + std::to_string(line) + "] [info] pressure damping 0.500000 mod is 1.000000",
        "-[BTDriverManager openHIDService][Line " + std::to_string(line + 2) + "] [-warn-] error opning port",
        "Updated Screen Mapping: 1.00\n"}));
}
