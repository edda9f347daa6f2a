// Settings changed on the main thread while another thread decodes reports.
#include "ReportFixture.h"

#include <thread>

namespace {

using DecodingConcurrency = ReplayFixture;

TEST_F(DecodingConcurrency, SettingsChangeWhileReportsAreDecoded)
{
    session->events().setObserver({});
    std::atomic<bool> done{false};
    std::thread decoder([&] {
        for (int i = 0; i < 4000; ++i) {
            const Report r = stylusReport(i % 50 < 40 ? kTip : kHover, 10000 + i, 20000, 1000 + i % 7000);
            driver().didReceiveReport(r.data(), 2);
        }
        done = true;
    });
    for (int round = 0; !done; ++round) {
        driver().setPressureDamping(0.2f + 0.1f * (round % 6));
        driver().setPressureDeadZone(0.05f * (round % 4));
        driver().setEnableMouse(round % 9 == 0);
        driver().setTabletMapping(Rect(0, 0, 65535 - round % 100, 65535));
    }
    decoder.join();
    EXPECT_GT(session->events().count(), 1000u);
    EXPECT_TRUE(driver().stylus().scrPos.x >= 0 && driver().stylus().scrPos.x <= 1920);
}

} // namespace
