// The application delegate over a test driver, on two offscreen displays
// (no tray there: the icon's size is the fallback 24 x 22): launch, the panel
// opened at launch and the icon's click rules around it, activation by a later
// start, the connection flag from the driver's thread, and the end.
#include "BTAppDelegate.h"
#include "BTMenubarController.h"
#include "BTPanelView.h"
#include "BTStatusItemView.h"
#include "Configure.h"
#include "DefaultsKeys.h"
#include "DriverHarness.h"
#include "LogCapture.h"
#include "MainQueue.h"
#include "QtDisplayService.h"
#include "SingleInstance.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Longer than the open animation (0.15 s) and the close's ordering out (0.2 s).
constexpr int kSettleMs = 350;

// The panel's state: asked to be open, the icon's flag, shown on screen.
struct State {
    bool hasActivePanel, hasActiveIcon, visible;
    friend bool operator==(const State&, const State&) = default;
    friend std::ostream& operator<<(std::ostream& os, const State& s)
    {
        return os << "{panel " << s.hasActivePanel << ", icon " << s.hasActiveIcon << ", visible " << s.visible << "}";
    }
};

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() : shortcuts_(&harness_.defaults(), "{}")
    {
        // Qt's own screens, so that the panel is placed where Qt puts windows.
        Platform::services().displays = &displays_;
    }

    BTAppDelegate::Options options()
    {
        BTAppDelegate::Options o;
        o.instancePath = QString::fromStdString(dir_.file("instance"));
        o.autostartFolder = QString::fromStdString(dir_.file("autostart"));
        o.programPath = QStringLiteral("/usr/bin/brevola-driver");
        o.driver = [this]() -> BTDriverManager& {
            ++driversCreated_;
            return harness_.driver();
        };
        o.panel = {nullptr, &harness_.screens(), &shortcuts_, &harness_.defaults()};
        return o;
    }

    static State state(BTAppDelegate& d)
    {
        BTPanelViewController* panel = d.panelController();
        return {panel->hasActivePanel(), d.menubarController()->hasActiveIcon(),
                panel->isWindowLoaded() && panel->window()->isVisible()};
    }
    // The state is reached (however busy the machine) and then kept.
    static void expectState(BTAppDelegate& d, State expected)
    {
        (void)QTest::qWaitFor([&] { return state(d) == expected; }, 5000); // checked below
        QTest::qWait(kSettleMs);
        EXPECT_EQ(state(d), expected);
    }
    // Launch, the panel shown by it and the automatic first click.
    static void launch(BTAppDelegate& d)
    {
        ASSERT_TRUE(d.applicationDidFinishLaunching());
        ASSERT_TRUE(QTest::qWaitFor([&] { return d.notFirstShow(); }, 5000));
        expectState(d, {false, false, true});
    }

    TempDir dir_;
    DriverHarness harness_{{Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 800)}};
    QtDisplayService displays_;
    Configure shortcuts_;
    int driversCreated_ = 0;
};

} // namespace

TEST_F(AppDelegateTest, TheLaunchPanelStaysOpenThroughTheAutomaticClickAndEachUserClickThenFlipsIt)
{
    harness_.defaults().setObject(PlistValue(int64_t{1}), DefaultsKeys::displayId); // the 1280 x 800 display
    LogCapture log;
    BTAppDelegate delegate(options());
    EXPECT_EQ(BTAppDelegate::shard(), &delegate);
    // Once the loop runs the panel opens without being asked to be open, and
    // the automatic first click (0.1 s) leaves it so.
    launch(delegate);
    EXPECT_EQ(driversCreated_, 1);
    EXPECT_GE(log.indexOf("created driver manager <BTDriverManager: 0x"), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir_.file("autostart/brevola-driver.desktop"))));
    // Placed on display 1, top-aligned with the main one (window-system frame
    // (1920, 280, 1280, 800)), by the fallback item 24 x 22: reference
    // (2548, 1036), panel (2220, 487), in Qt's coordinates y = 1080 - 487 - 571.
    EXPECT_EQ(delegate.panelController()->window()->geometry(), QRect(2220, 22, 681, 571));

    BTStatusItemView* view = delegate.menubarController()->statusItemView();
    const State afterClick[] = {{true, true, true}, {false, false, false}, {true, true, true}, {false, false, false}};
    for (const State& expected : afterClick) {
        view->mouseDown();
        expectState(delegate, expected);
    }
    // The icon's context menu is the delegate's.
    EXPECT_EQ(view->statusItem()->contextMenu(), delegate.menu());
}

TEST_F(AppDelegateTest, EscapeAndClosingTheWindowTurnTheIconOffSoTheNextClickOpens)
{
    BTAppDelegate delegate(options());
    launch(delegate);
    BTStatusItemView* view = delegate.menubarController()->statusItemView();

    for (const char* how : {"Escape", "close"}) {
        SCOPED_TRACE(how);
        view->mouseDown();
        expectState(delegate, {true, true, true});
        BTPanelView* window = delegate.panelController()->window();
        if (std::string(how) == "Escape")
            QTest::keyClick(window, Qt::Key_Escape);
        else
            window->close();
        expectState(delegate, {false, false, false});
    }
    view->mouseDown();
    expectState(delegate, {true, true, true});
}

TEST_F(AppDelegateTest, AnotherStartOpensTheHiddenPanelButLeavesAnOpenOneAlone)
{
    BTAppDelegate delegate(options());
    launch(delegate);
    BTStatusItemView* view = delegate.menubarController()->statusItemView();
    view->mouseDown();
    view->mouseDown(); // closed by the user
    expectState(delegate, {false, false, false});

    delegate.applicationDidBecomeActive();
    expectState(delegate, {false, false, true});
    view->mouseDown();
    expectState(delegate, {true, true, true});
    delegate.applicationDidBecomeActive();
    expectState(delegate, {true, true, true});
}

TEST_F(AppDelegateTest, ASecondStartTellsTheFirstAndEndsWithoutDriverOrIcon)
{
    // The first instance answers on a thread of its own, as another process would.
    std::atomic<bool> listening{false};
    std::atomic<int> activations{0};
    const QString base = options().instancePath;
    std::thread first([&] {
        QEventLoop loop;
        SingleInstance instance(base);
        QObject::connect(&instance, &SingleInstance::activationRequested, &loop, [&] {
            ++activations;
            loop.quit();
        });
        if (instance.start() != SingleInstance::Role::Primary) return;
        listening = true;
        loop.exec();
    });
    while (!listening) QTest::qWait(10);

    // The first one's recording is left whole.
    const QString recording = QString::fromStdString(dir_.file("recording.txt"));
    QFile file(recording);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("E: 0.000000 8 02 c1 34 12 78 56 d0 07\n");
    file.close();
    BTAppDelegate::Options o = options();
    o.recordPath = recording;
    BTAppDelegate second(o);
    EXPECT_FALSE(second.applicationDidFinishLaunching());
    first.join();
    EXPECT_EQ(QFileInfo(recording).size(), 38);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(driversCreated_, 0);
    EXPECT_EQ(second.menubarController(), nullptr);
}

TEST_F(AppDelegateTest, ARecordingThatCannotBeWrittenEndsTheLaunchBeforeTheDriver)
{
    BTAppDelegate::Options o = options();
    o.recordPath = QString::fromStdString(dir_.file("no-such-folder/recording.txt"));
    LogCapture log;
    BTAppDelegate delegate(o);
    EXPECT_FALSE(delegate.applicationDidFinishLaunching());
    EXPECT_EQ(delegate.exitCode(), 1);
    EXPECT_EQ(driversCreated_, 0);
    EXPECT_GE(log.indexOf("no-such-folder/recording.txt"), 0);
}

TEST_F(AppDelegateTest, Concurrency_ConnectionChangesFromTheDriverThreadReachTheIcon)
{
    BTAppDelegate delegate(options());
    ASSERT_TRUE(delegate.applicationDidFinishLaunching());
    BTMenubarController* menubar = delegate.menubarController();
    BTDriverManager& driver = harness_.driver();
    for (const char connected : {1, 0, 1}) {
        std::thread hid([&] { driver.setIsConnected(connected); });
        hid.join();
        EXPECT_EQ(menubar->isConnect(), connected != 0);
        EXPECT_EQ(menubar->statusItemView()->isHighlighted(), connected != 0);
        MainQueue::drain();
    }

    // The end: the icon goes and a later change reaches nothing.
    QPointer<QSystemTrayIcon> item = menubar->statusItem();
    delegate.applicationShouldTerminate();
    EXPECT_TRUE(item.isNull());
    EXPECT_EQ(delegate.menubarController(), nullptr);
    std::thread late([&] { driver.setIsConnected(0); });
    late.join();
    MainQueue::drain();
    EXPECT_FALSE(driver.isConnected());
}
