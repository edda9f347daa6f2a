// The command line and the choice of the Qt platform.
#include "AppOptions.h"

#include <gtest/gtest.h>

TEST(AppOptions, ParsesTheOptionsAndRefusesWhatItDoesNotKnow)
{
    struct Case {
        QStringList arguments;
        bool ok;
        bool headless, help, version;
        const char* platform;
        const char* record = "";
    };
    const Case cases[] = {
        {{}, true, false, false, false, ""},
        {{"--headless"}, true, true, false, false, ""},
        {{"-h"}, true, false, true, false, ""},
        {{"--help"}, true, false, true, false, ""},
        {{"--version"}, true, false, false, true, ""},
        {{"-platform", "xcb"}, true, false, false, false, "xcb"},
        {{"--headless", "-platform", "offscreen"}, true, true, false, false, "offscreen"},
        {{"--record", "/tmp/r.txt"}, true, false, false, false, "", "/tmp/r.txt"},
        {{"--headless", "--record=/tmp/r.txt"}, true, true, false, false, "", "/tmp/r.txt"},
        {{"--record"}, false, false, false, false, ""},
        {{"--record="}, false, false, false, false, ""},
        {{"--frobnicate"}, false, false, false, false, ""},
        {{"-platform"}, false, false, false, false, ""},
        {{"stray"}, false, false, false, false, ""},
    };
    for (const Case& c : cases) {
        AppOptions options;
        QString error;
        const bool ok = AppOptions::parse(QStringList{"brevola-driver"} + c.arguments, options, error);
        const QString name = c.arguments.join(' ');
        ASSERT_EQ(ok, c.ok) << qPrintable(name);
        if (!ok) {
            EXPECT_FALSE(error.isEmpty()) << qPrintable(name);
            continue;
        }
        EXPECT_EQ(options.headless, c.headless) << qPrintable(name);
        EXPECT_EQ(options.help, c.help) << qPrintable(name);
        EXPECT_EQ(options.version, c.version) << qPrintable(name);
        EXPECT_EQ(options.platform, QString::fromLatin1(c.platform)) << qPrintable(name);
        EXPECT_EQ(options.record, QString::fromLatin1(c.record)) << qPrintable(name);
    }
    EXPECT_TRUE(AppOptions::helpText().contains("--headless"));
    EXPECT_FALSE(AppOptions::helpText().contains("-platform"));
}

TEST(PlatformChoice, RunsOnXWhereItCanAndRefusesToStartTheTrayWithoutAnyDisplay)
{
    using Outcome = PlatformChoice::Outcome;
    struct Case {
        const char* name;
        bool headless;
        const char* argument; // -platform
        PlatformChoice::Environment env;
        Outcome outcome;
        const char* platform;
        bool waylandOnly;
    };
    const Case cases[] = {
        {"X session", false, "", {"", ":0", ""}, Outcome::Run, "xcb;offscreen", false},
        {"Wayland with XWayland", false, "", {"", ":0", "wayland-0"}, Outcome::Run, "xcb;offscreen", false},
        {"Wayland alone", false, "", {"", "", "wayland-0"}, Outcome::Run, "", true},
        {"nothing", false, "", {"", "", ""}, Outcome::NoDisplay, "", false},
        {"nothing, headless", true, "", {"", "", ""}, Outcome::Run, "offscreen", false},
        {"headless under X", true, "", {"", ":0", ""}, Outcome::Run, "xcb;offscreen", false},
        {"the user's offscreen", false, "", {"offscreen", "", ""}, Outcome::Run, "", false},
        {"the user's wayland", false, "", {"wayland", ":0", "wayland-0"}, Outcome::Run, "", true},
        {"xcb without X", false, "", {"xcb", "", "wayland-0"}, Outcome::NoDisplay, "", false},
        {"fallback list without X", false, "", {"xcb;offscreen", "", ""}, Outcome::NoDisplay, "", false},
        {"argument over environment", false, "offscreen", {"xcb", "", ""}, Outcome::Run, "", false},
    };
    for (const Case& c : cases) {
        AppOptions options;
        options.headless = c.headless;
        options.platform = QString::fromLatin1(c.argument);
        const PlatformChoice choice = PlatformChoice::choose(options, c.env);
        EXPECT_EQ(choice.outcome, c.outcome) << c.name;
        EXPECT_EQ(choice.platform, QByteArray(c.platform)) << c.name;
        EXPECT_EQ(choice.waylandOnly, c.waylandOnly) << c.name;
    }
    // X that cannot be reached: Qt falls back to offscreen, which is not what was asked.
    const PlatformChoice x = PlatformChoice::choose({}, {"", ":0", ""});
    EXPECT_TRUE(x.reached("xcb"));
    EXPECT_FALSE(x.reached("offscreen"));
    EXPECT_TRUE(PlatformChoice::choose({}, {"offscreen", "", ""}).reached("offscreen"));
}
