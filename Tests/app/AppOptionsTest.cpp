// What main decides before anything starts: the command line, the choice of
// the Qt platform, and the stop signals.
#include "AppOptions.h"
#include "StopSignals.h"

#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <thread>

TEST(AppOptions, ParsesTheOptionsAndRefusesWhatItDoesNotKnow)
{
    // The options parsed, as "headless help version platform=... record=...", or "refused".
    const auto parsed = [](const QStringList& arguments) {
        AppOptions o;
        QString error;
        if (!AppOptions::parse(QStringList{"brevola-driver"} + arguments, o, error))
            return error.isEmpty() ? QStringLiteral("refused without a reason") : QStringLiteral("refused");
        return QStringLiteral("%1%2%3platform=%4 record=%5")
            .arg(o.headless ? "headless " : "", o.help ? "help " : "", o.version ? "version " : "", o.platform, o.record);
    };
    const std::pair<QStringList, const char*> cases[] = {
        {{}, "platform= record="},
        {{"--headless"}, "headless platform= record="},
        {{"-h"}, "help platform= record="},
        {{"--help"}, "help platform= record="},
        {{"--version"}, "version platform= record="},
        {{"-platform", "xcb"}, "platform=xcb record="},
        {{"--headless", "-platform", "offscreen"}, "headless platform=offscreen record="},
        {{"--record", "/tmp/r.txt"}, "platform= record=/tmp/r.txt"},
        {{"--headless", "--record=/tmp/r.txt"}, "headless platform= record=/tmp/r.txt"},
        {{"--record"}, "refused"},
        {{"--record="}, "refused"},
        {{"--frobnicate"}, "refused"},
        {{"-platform"}, "refused"},
        {{"stray"}, "refused"},
    };
    for (const auto& [arguments, expected] : cases) EXPECT_EQ(parsed(arguments), expected) << qPrintable(arguments.join(' '));
    EXPECT_TRUE(AppOptions::helpText().contains("--headless"));
    EXPECT_FALSE(AppOptions::helpText().contains("-platform"));
}

TEST(PlatformChoice, RunsOnXWhereItCanAndRefusesToStartTheTrayWithoutAnyDisplay)
{
    // Headless, -platform, then the environment: QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY.
    const auto chosen = [](bool headless, const char* argument, const PlatformChoice::Environment& env) {
        AppOptions options;
        options.headless = headless;
        options.platform = QString::fromLatin1(argument);
        const PlatformChoice choice = PlatformChoice::choose(options, env);
        return choice.outcome == PlatformChoice::Outcome::NoDisplay ? QByteArray("no display")
                                                                     : "run " + choice.platform + (choice.waylandOnly ? "wayland only" : "");
    };
    EXPECT_EQ(chosen(false, "", {"", ":0", ""}), "run xcb;offscreen");              // X
    EXPECT_EQ(chosen(false, "", {"", ":0", "wayland-0"}), "run xcb;offscreen");     // XWayland
    EXPECT_EQ(chosen(false, "", {"", "", "wayland-0"}), "run wayland only");         // Wayland alone
    EXPECT_EQ(chosen(false, "", {"", "", ""}), "no display");
    EXPECT_EQ(chosen(true, "", {"", "", ""}), "run offscreen");
    EXPECT_EQ(chosen(true, "", {"", ":0", ""}), "run xcb;offscreen");
    EXPECT_EQ(chosen(false, "", {"offscreen", "", ""}), "run ");                     // the user's own choice
    EXPECT_EQ(chosen(false, "", {"wayland", ":0", "wayland-0"}), "run wayland only");
    EXPECT_EQ(chosen(false, "", {"xcb", "", "wayland-0"}), "no display");
    EXPECT_EQ(chosen(false, "", {"wayland", ":0", ""}), "no display");
    EXPECT_EQ(chosen(false, "", {"xcb;offscreen", "", ""}), "no display");
    EXPECT_EQ(chosen(false, "offscreen", {"xcb", "", ""}), "run ");                  // the argument over the environment
    // X that cannot be reached: Qt falls back to offscreen, which is not what was asked.
    const PlatformChoice x = PlatformChoice::choose({}, {"", ":0", ""});
    EXPECT_TRUE(x.reached("xcb"));
    EXPECT_FALSE(x.reached("offscreen"));
    EXPECT_TRUE(PlatformChoice::choose({}, {"offscreen", "", ""}).reached("offscreen"));
}

// Qt's own threads (the X connection's event thread) may take a stop signal:
// it still reaches the main loop, whose end is the clean one.
TEST(StopSignals, ASignalTakenByAnotherThreadReachesTheMainLoop)
{
    StopSignals::install();
    StopSignals stops;
    std::vector<int> received;
    QObject::connect(&stops, &StopSignals::received, [&](int signal) { received.push_back(signal); });
    for (int signal : {SIGTERM, SIGINT}) std::thread([signal] { ::pthread_kill(::pthread_self(), signal); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000));
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT}));
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}
