#pragma once
// A running driver with its own thread over a scripted bus, posting into a
// recording event system; and the file helpers the recorder tests share.
#include "BTDriverManager.h"
#include "BTScreenManager.h"
#include "FixedDisplayService.h"
#include "LogCapture.h"
#include "NotificationCenter.h"
#include "RecordingEventPosting.h"
#include "RecordingHIDEventSystem.h"
#include "ReportRecorder.h"
#include "ScriptedServices.h"
#include "TabletReports.h"
#include "TempDir.h"
#include "UserDefaults.h"
#include "WaitFor.h"

#include <QThread>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using Report = std::vector<uint8_t>;

inline std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The text's lines that start with prefix.
inline std::vector<std::string> linesOf(const std::string& text, const std::string& prefix = "")
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

class DeviceScenario : public ::testing::Test {
protected:
    // Where the cursor is; Qt answers that on the main thread only.
    struct Cursor : RecordingEventPosting {
        Point pointerLocation() const override
        {
            readsElsewhere += QThread::currentThread() != QCoreApplication::instance()->thread();
            return {12, 34};
        }
        mutable std::atomic<int> readsElsewhere{0};
    };

    void SetUp() override
    {
        previous_ = useScriptedServices(displays_, events_, bus_);
        Platform::services().eventPosting = &cursor_;
    }
    void TearDown() override
    {
        stop();
        Platform::services() = previous_;
    }
    BTDriverManager& start(ReportRecorder* recorder = nullptr)
    {
        driver_ = std::make_unique<BTDriverManager>(BTDriverManager::Options{&defaults_, true});
        screens_ = std::make_unique<BTScreenManager>(*driver_);
        driver_->setScreenManagerSource(screens_.get());
        driver_->setReportRecorder(recorder);
        driver_->setConnectionObserver([this](bool) { callbackThread_ = QThread::currentThread(); });
        status_ = ScopedObserver(BTDriverManagerDidChangeStatus, driver_.get(), [this, d = driver_.get()](auto&) {
            ++statusPosts_;
            disconnectedPosts_ += !d->isConnected();
        });
        return *driver_;
    }
    void stop() { driver_.reset(), screens_.reset(); } // the driver thread ends with its driver
    int plugTablet(HIDDeviceInfo info = {})
    {
        return bus_->plugIn(BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID(), std::move(info));
    }
    void waitConnected(bool on) { ASSERT_TRUE(waitFor([&] { return driver_->isConnected() == on; })) << on; }
    // Sends the reports, then runs fn where they are taken once they are through.
    void play(int device, const std::vector<Report>& reports, const std::function<void()>& fn = [] {})
    {
        for (const Report& r : reports) bus_->sendReport(device, r);
        std::atomic<bool> done{false};
        bus_->afterDeliveries([&] { fn(), done = true; });
        ASSERT_TRUE(waitFor([&] { return done.load(); }));
    }
    size_t modeCommands() const
    {
        const auto reports = bus_->featureReports();
        return std::count_if(reports.begin(), reports.end(), [](const auto& r) {
            return r.reportID == 2 && r.bytes == std::vector<uint8_t>{0x02, 0x10, 0x01};
        });
    }

    PlatformServices previous_;
    TempDir dir_;
    UserDefaults defaults_{dir_.file("defaults.plist")};
    FixedDisplayService displays_;
    RecordingHIDEventSystem events_;
    Cursor cursor_;
    std::shared_ptr<ScriptedHIDBus> bus_ = ScriptedHIDBus::create();
    std::unique_ptr<BTDriverManager> driver_;
    std::unique_ptr<BTScreenManager> screens_;
    ScopedObserver status_;
    std::atomic<int> statusPosts_{0}, disconnectedPosts_{0};
    std::atomic<QThread*> callbackThread_{nullptr};
};
