// The driver's life with scripted tablets: connection, hot-plug,
// reinitialisation, a missing event service, and many connect cycles.
#include "BTDriverManager.h"
#include "BTScreenManager.h"
#include "FixedDisplayService.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "RecordingHIDEventSystem.h"
#include "ScriptedHIDBus.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QThread>
#include "ScriptedServices.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// A running driver with its own thread, a scripted bus and recording events.
class DeviceScenario : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = useScriptedServices(displays_, events_, bus_);
    }
    void TearDown() override
    {
        driver_.reset(); // stops the driver thread
        screens_.reset();
        Platform::services() = previous_;
    }
    BTDriverManager& start()
    {
        driver_ = std::make_unique<BTDriverManager>(BTDriverManager::Options{&defaults_, true});
        screens_ = std::make_unique<BTScreenManager>(*driver_);
        driver_->setScreenManagerSource(screens_.get());
        driver_->setConnectionObserver([this](bool) { callbackThread_ = QThread::currentThread(); });
        status_ = ScopedObserver(BTDriverManagerDidChangeStatus, driver_.get(), [this](const Notification&) {
            ++statusPosts_;
            if (!driver_->isConnected()) ++disconnectedPosts_;
        });
        return *driver_;
    }
    int plugTablet() { return bus_->plugIn(BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID()); }
    size_t modeCommands() const
    {
        size_t n = 0;
        for (const auto& r : bus_->featureReports())
            if (r.reportID == 2 && r.bytes == std::vector<uint8_t>{0x02, 0x10, 0x01}) ++n;
        return n;
    }

    PlatformServices previous_;
    TempDir dir_;
    UserDefaults defaults_{dir_.file("defaults.plist")};
    FixedDisplayService displays_;
    RecordingHIDEventSystem events_;
    std::shared_ptr<ScriptedHIDBus> bus_ = ScriptedHIDBus::create();
    std::unique_ptr<BTDriverManager> driver_;
    std::unique_ptr<BTScreenManager> screens_;
    ScopedObserver status_;
    std::atomic<int> statusPosts_{0}, disconnectedPosts_{0};
    std::atomic<QThread*> callbackThread_{nullptr};
};

const std::vector<uint8_t> kHover = {0x02, 0xC0, 0x00, 0x40, 0x00, 0x40, 0x00, 0x00};

} // namespace

TEST_F(DeviceScenario, LaunchWithTabletPresentConnectsOnTheDriverThread)
{
    LogCapture log;
    plugTablet();
    BTDriverManager& d = start();
    ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
    EXPECT_EQ(statusPosts_, 1);
    EXPECT_EQ(modeCommands(), 1u);
    const int created = log.indexOf("created global event driver");
    ASSERT_GE(created, 0);
    EXPECT_GT(log.indexOf("] [info] tablet connected"), created);
    EXPECT_LT(log.indexOf("initializing HID device"), log.indexOf("Connectred to manager. Registering callbacks"));
    EXPECT_NE(callbackThread_.load(), QThread::currentThread());
    EXPECT_EQ(d.backgroundRunLoop(), callbackThread_.load());
    EXPECT_EQ(d.mainRunLoop(), QThread::currentThread());
    EXPECT_EQ(bus_->scheduledWithoutDispatcher(), 0); // hot-plug needs the thread's dispatcher

    // Reports are decoded and posted from the driver thread: hover in range.
    for (int i = 0; i < 4; ++i) bus_->sendReport(1, kHover); // the fourth completes a batch
    const auto proximityIn = [&] {
        for (const HIDEvent& e : events_.events())
            if (e.type == NX::kTabletProximity && e.data.proximity.enterProximity == 1) return true;
        return false;
    };
    EXPECT_TRUE(waitFor(proximityIn));
}

TEST_F(DeviceScenario, UnplugAndReplugSendsTheModeCommandAgainAndKeepsTheRecord)
{
    LogCapture log;
    BTDriverManager& d = start();
    ASSERT_TRUE(waitFor([&] { return log.contains("opening HID service"); }));
    const int first = plugTablet();
    ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
    for (int i = 0; i < 4; ++i) bus_->sendReport(first, kHover);
    ASSERT_TRUE(waitFor([&] { return events_.count() >= 2; }));

    bus_->unplug(first);
    ASSERT_TRUE(waitFor([&] { return !d.isConnected(); }));
    EXPECT_TRUE(log.contains("tablet removed - cleaned up references"));
    EXPECT_EQ(d.currentDeviceRef(), nullptr);
    EXPECT_EQ(statusPosts_, 2);

    plugTablet();
    ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
    EXPECT_EQ(modeCommands(), 2u);
    EXPECT_EQ(statusPosts_, 3);
    // The stylus record is set up once per driver thread, not per connection.
    EXPECT_FALSE(d.stylus().off_tablet);
}

TEST_F(DeviceScenario, ReinitializeWhileConnectedReconnectsOnTheCallingThread)
{
    LogCapture log;
    plugTablet();
    BTDriverManager& d = start();
    ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
    const int before = statusPosts_;

    d.reinitialize();
    EXPECT_TRUE(log.contains("] [info] Reinitializing driver"));
    EXPECT_TRUE(log.contains("] [info] Device was connected, emulating device remove"));
    EXPECT_EQ(disconnectedPosts_, 1);
    ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
    EXPECT_EQ(statusPosts_, before + 2);
    EXPECT_EQ(callbackThread_.load(), QThread::currentThread());
    EXPECT_EQ(d.backgroundRunLoop(), QThread::currentThread());
    EXPECT_EQ(bus_->openManagers(), 1); // the previous manager let go of the tablet
    EXPECT_EQ(modeCommands(), 2u);
    EXPECT_EQ(events_.openConnections(), 1);
}

TEST_F(DeviceScenario, WithoutTheEventServiceReportsAreDecodedButNothingIsPosted)
{
    LogCapture log;
    events_.setHasService(false);
    plugTablet();
    BTDriverManager& d = start();
    ASSERT_TRUE(waitFor([&] { return d.isConnected(); }));
    EXPECT_TRUE(log.contains("] [-warn-] error opning port"));
    EXPECT_TRUE(log.contains("opening HID service"));
    for (int i = 0; i < 4; ++i) bus_->sendReport(1, kHover);
    // Read the record on the decoding thread, once the reports are through.
    std::atomic<int> offTablet{-1};
    bus_->afterDeliveries([&] { offTablet = d.stylus().off_tablet; });
    ASSERT_TRUE(waitFor([&] { return offTablet != -1; }));
    EXPECT_EQ(offTablet, 0);
    EXPECT_EQ(events_.count(), 0u);
}

TEST_F(DeviceScenario, ThousandConnectCyclesPostOneNotificationPerChange)
{
    SystemLog::Sink quiet = SystemLog::setSink([](const std::string&) {});
    BTDriverManager& d = start();
    ASSERT_TRUE(waitFor([&] { return d.hidManager() != nullptr; }));
    for (int i = 0; i < 1000; ++i) {
        const int device = plugTablet();
        ASSERT_TRUE(waitFor([&] { return d.isConnected(); })) << i;
        bus_->unplug(device);
        ASSERT_TRUE(waitFor([&] { return !d.isConnected(); })) << i;
    }
    ASSERT_TRUE(waitFor([&] { return statusPosts_ == 2000; }));
    EXPECT_EQ(disconnectedPosts_, 1000);
    EXPECT_EQ(modeCommands(), 1000u);
    SystemLog::setSink(quiet);
}
