#pragma once
// A driver of its own for one test: a fixed display layout, a defaults store in
// a temporary folder, and a screen manager bound to this driver.
#include "BTDriverManager.h"
#include "BTScreenManager.h"
#include "FixedDisplayService.h"
#include "PlatformServices.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <memory>

class DriverHarness {
public:
    explicit DriverHarness(std::vector<Rect> displays = {Rect(0, 0, 1920, 1080)})
        : displays_(std::move(displays)), defaults_(dir_.file("defaults.plist"))
    {
        previousDisplays_ = Platform::services().displays;
        Platform::services().displays = &displays_;
    }
    ~DriverHarness() { Platform::services().displays = previousDisplays_; }

    // The driver loads its settings when created: fill defaults() first.
    BTDriverManager& driver()
    {
        if (!driver_) {
            driver_ = std::make_unique<BTDriverManager>(BTDriverManager::Options{&defaults_});
            screens_ = std::make_unique<BTScreenManager>(*driver_);
            driver_->setScreenManagerSource(screens_.get());
        }
        return *driver_;
    }
    BTScreenManager& screens()
    {
        driver();
        return *screens_;
    }
    UserDefaults& defaults() { return defaults_; }
    FixedDisplayService& displays() { return displays_; }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    FixedDisplayService displays_;
    UserDefaults defaults_;
    DisplayService* previousDisplays_ = nullptr;
    std::unique_ptr<BTDriverManager> driver_;
    std::unique_ptr<BTScreenManager> screens_;
};
