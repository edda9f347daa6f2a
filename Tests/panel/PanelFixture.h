#pragma once
// A settings panel over a driver of its own: fixed displays (the offscreen
// platform's two by default), a defaults store and shortcut store in a
// temporary folder, recording event backends and a scripted HID bus for
// plugging the tablet in and out.
#include "BTDriverManager.h"
#include "BTPanelView.h"
#include "BTPanelViewController.h"
#include "BTScreenManager.h"
#include "Configure.h"
#include "DefaultsKeys.h"
#include "FixedDisplayService.h"
#include "LogCapture.h"
#include "MainQueue.h"
#include "RecordingHIDEventSystem.h"
#include "ScriptedServices.h"
#include "TempDir.h"
#include "UserDefaults.h"
#include "WaitFor.h"
#include "WindowFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

class PanelFixture : public ::testing::Test {
protected:
    void SetUp() override { previous_ = useScriptedServices(displays_, events_, bus_); }

    void TearDown() override
    {
        panel_.reset();
        driver_.reset(); // stops its thread, if it has one
        screens_.reset();
        // Windows that close themselves later (flags, tips, editors) go now.
        for (QWidget* window : QApplication::topLevelWidgets()) window->close();
        drain();
        Platform::services() = previous_;
    }

    // The driver loads the settings when it is made: fill defaults() first.
    BTDriverManager& driver(bool withThread = false)
    {
        if (!driver_) {
            driver_ = std::make_unique<BTDriverManager>(BTDriverManager::Options{&defaults_, withThread});
            screens_ = std::make_unique<BTScreenManager>(*driver_);
            driver_->setScreenManagerSource(screens_.get());
            driver_->setShortcutStore(&shortcuts_);
        }
        return *driver_;
    }

    BTPanelViewController& controller()
    {
        if (!panel_) {
            driver();
            panel_ = std::make_unique<BTPanelViewController>(
                nullptr, BTPanelViewController::Services{driver_.get(), screens_.get(), &shortcuts_, &defaults_});
            // As the tray shows it, so that real events reach real widgets.
            if (showWindow_) panel_->window()->show();
            drain();
        }
        return *panel_;
    }
    BTPanelView& window() { return *controller().window(); }

    template <typename T = QWidget>
    T* outlet(const char* name) { return window().findChild<T*>(QString::fromLatin1(name)); }
    // The panel has faded in.
    bool settled() { return waitFor([&] { return window().windowOpacity() == 1.0; }, 3000); }
    void click(const char* button) { QTest::mouseClick(outlet<QAbstractButton>(button), Qt::LeftButton); }
    void showPage(int page)
    {
        auto* selector = outlet<QTabBar>("segCtrl");
        QTest::mouseClick(selector, Qt::LeftButton, {}, selector->tabRect(page).center());
    }

    // Plugs the tablet in and has the panel's refresh button look for it: the
    // driver then finds it on the main thread.
    void connectTablet()
    {
        bus_->plugIn(BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID());
        click("refreshButton");
        ASSERT_TRUE(waitFor([&] { return driver().isConnected(); }));
        drain();
    }

    static void drain()
    {
        MainQueue::drain();
        QCoreApplication::processEvents();
    }

    // Top-level windows of a class that are shown.
    template <typename T>
    static std::vector<T*> shownWindows()
    {
        std::vector<T*> found;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* w = qobject_cast<T*>(window); w && w->isVisible()) found.push_back(w);
        return found;
    }

    PlatformServices previous_;
    TempDir dir_;
    FixedDisplayService displays_{{Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 800)}};
    UserDefaults defaults_{dir_.file("defaults.plist")};
    Configure shortcuts_{&defaults_};
    RecordingHIDEventSystem events_;
    std::shared_ptr<ScriptedHIDBus> bus_ = ScriptedHIDBus::create();
    std::unique_ptr<BTDriverManager> driver_;
    std::unique_ptr<BTScreenManager> screens_;
    std::unique_ptr<BTPanelViewController> panel_;
    bool showWindow_ = true;
};
