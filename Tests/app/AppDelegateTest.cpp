// The application delegate over a test driver, on two offscreen displays
// (no tray there: the icon's size is the fallback 24 x 22): launch, the panel
// opened at launch and the icon's click rules around it, activation by a later
// start, a second start, the connection flag from the driver's thread, and the end.
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
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <thread>

namespace {

// The panel asked to be open, the icon's flag, the panel shown on screen.
using State = std::array<bool, 3>;

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() { Platform::services().displays = &displays_; } // Qt's screens: the panel goes where Qt puts it

    BTAppDelegate::Options options()
    {
        BTAppDelegate::Options o;
        o.instancePath = QString::fromStdString(dir_.file("instance"));
        o.autostartFolder = QString::fromStdString(dir_.file("autostart"));
        o.programPath = QStringLiteral("/usr/bin/brevola-driver");
        o.driver = [this]() -> BTDriverManager& { return ++driversCreated_, harness_.driver(); };
        o.panel = {nullptr, &harness_.screens(), &shortcuts_, &harness_.defaults()};
        return o;
    }
    // The state is reached (however busy the machine), then kept past the
    // open animation (0.15 s) and the close's ordering out (0.2 s).
    static void expectState(BTAppDelegate& d, State expected)
    {
        const auto state = [&] {
            BTPanelViewController* panel = d.panelController();
            return State{panel->hasActivePanel(), d.menubarController()->hasActiveIcon(),
                         panel->isWindowLoaded() && panel->window()->isVisible()};
        };
        (void)QTest::qWaitFor([&] { return state() == expected; }, 5000); // checked below
        QTest::qWait(350);
        EXPECT_EQ(state(), expected);
    }

    TempDir dir_;
    DriverHarness harness_{{Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 800)}};
    QtDisplayService displays_;
    Configure shortcuts_{&harness_.defaults(), "{}"};
    int driversCreated_ = 0;
};

} // namespace

TEST_F(AppDelegateTest, TheLaunchPanelStaysOpenThroughTheAutomaticClickThenClicksEscapeCloseAndActivationRuleIt)
{
    harness_.defaults().setObject(PlistValue(int64_t{1}), DefaultsKeys::displayId); // the 1280 x 800 display
    LogCapture log;
    BTAppDelegate delegate(options());
    EXPECT_EQ(BTAppDelegate::shard(), &delegate);
    // Once the loop runs the panel opens without being asked to be open, and
    // the automatic first click (0.1 s) leaves it so.
    ASSERT_TRUE(delegate.applicationDidFinishLaunching());
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.notFirstShow(); }, 5000));
    expectState(delegate, {false, false, true});
    EXPECT_EQ(driversCreated_, 1);
    EXPECT_GE(log.indexOf("created driver manager <BTDriverManager: 0x"), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir_.file("autostart/brevola-driver.desktop"))));
    // Placed on display 1, top-aligned with the main one (window-system frame
    // (1920, 280, 1280, 800)), by the fallback item 24 x 22: reference
    // (2548, 1036), panel (2220, 487), in Qt's coordinates y = 1080 - 487 - 571.
    EXPECT_EQ(delegate.panelController()->window()->geometry(), QRect(2220, 22, 681, 571));
    BTStatusItemView* view = delegate.menubarController()->statusItemView();
    EXPECT_EQ(view->statusItem()->contextMenu(), delegate.menu()); // the icon's menu is the delegate's

    // A later start opens a hidden panel but leaves an open one alone.
    enum Step { Click, Activate, Escape, Close };
    const std::pair<Step, State> steps[] = {
        {Click, {true, true, true}},   {Click, {false, false, false}},  {Activate, {false, false, true}},
        {Click, {true, true, true}},   {Activate, {true, true, true}},  {Escape, {false, false, false}},
        {Click, {true, true, true}},   {Close, {false, false, false}},  {Click, {true, true, true}},
        {Click, {false, false, false}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        BTPanelView* window = delegate.panelController()->window();
        switch (steps[i].first) {
        case Click: view->mouseDown(); break;
        case Activate: delegate.applicationDidBecomeActive(); break;
        case Escape: QTest::keyClick(window, Qt::Key_Escape); break;
        case Close: window->close(); break;
        }
        expectState(delegate, steps[i].second);
    }
}

TEST_F(AppDelegateTest, ASecondStartTellsTheFirstAndEndsWithoutDriverOrIconLeavingItsRecordingWhole)
{
    // The first instance answers on a thread of its own, as another process would.
    std::atomic<bool> listening{false};
    std::atomic<int> activations{0};
    std::thread first([&, base = options().instancePath] {
        QEventLoop loop;
        SingleInstance instance(base);
        QObject::connect(&instance, &SingleInstance::activationRequested, &loop, [&] { ++activations, loop.quit(); });
        if (instance.start() != SingleInstance::Role::Primary) return;
        listening = true;
        loop.exec();
    });
    while (!listening) QTest::qWait(10);
    const QString recording = QString::fromStdString(dir_.file("recording.txt"));
    QFile file(recording);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("E: 0.000000 1 02\n") == 17);
    file.close();
    BTAppDelegate::Options o = options();
    o.recordPath = recording;
    BTAppDelegate second(o);
    EXPECT_FALSE(second.applicationDidFinishLaunching());
    first.join();
    EXPECT_EQ(QFileInfo(recording).size(), 17);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(driversCreated_, 0);
    EXPECT_EQ(second.menubarController(), nullptr);

    // The first instance gone, a recording that cannot be written ends the launch before the driver.
    o.recordPath = QString::fromStdString(dir_.file("no-such-folder/recording.txt"));
    LogCapture log;
    BTAppDelegate third(o);
    EXPECT_FALSE(third.applicationDidFinishLaunching());
    EXPECT_EQ(third.exitCode(), 1);
    EXPECT_EQ(driversCreated_, 0);
    EXPECT_GE(log.indexOf("no-such-folder/recording.txt"), 0);
}

// A change from the driver's thread redraws the icon on the main queue; a
// redraw still queued at the end finds no view, and a later change nothing.
TEST_F(AppDelegateTest, Concurrency_ConnectionChangesFromTheDriverThreadReachTheIcon)
{
    BTAppDelegate delegate(options());
    ASSERT_TRUE(delegate.applicationDidFinishLaunching());
    BTMenubarController* menubar = delegate.menubarController();
    BTDriverManager& driver = harness_.driver();
    const QRgb highlight = QGuiApplication::palette().color(QPalette::Highlight).rgba();
    for (const char connected : {1, 0, 1}) {
        std::thread([&] { driver.setIsConnected(connected); }).join();
        EXPECT_EQ(menubar->isConnect(), connected != 0);
        MainQueue::drain();
        const QImage shown = menubar->statusItem()->icon().pixmap(QSize(24, 22)).toImage();
        EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32).pixel(0, 0) == highlight, connected != 0);
    }
    std::thread([&] { driver.setIsConnected(0); }).join();
    QPointer<QSystemTrayIcon> item = menubar->statusItem();
    delegate.applicationShouldTerminate();
    EXPECT_TRUE(item.isNull());
    EXPECT_EQ(delegate.menubarController(), nullptr);
    MainQueue::drain();
    std::thread([&] { driver.setIsConnected(1); }).join();
    MainQueue::drain();
    EXPECT_TRUE(driver.isConnected());
}
