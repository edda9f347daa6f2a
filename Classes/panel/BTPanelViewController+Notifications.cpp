// What the driver and the shortcut machinery tell the panel: connection
// state, live pressure, hardware-key presses and shortcut changes. Most are
// posted on the driver thread, so the interface work hops to the main queue.
#include "BTPanelViewController.h"

#include "BTDriverManager.h"
#include "Configure.h"
#include "KeyMapInfo.h"
#include "MainQueue.h"
#include "PlatformServices.h"
#include "SafeAccess.h"
#include "ScreenAdditions.h"
#include "ShowShoutcut.h"
#include "ui_Panel.h"

#include <QSignalBlocker>

namespace {
// The segment a status change selects: the page of the pen and cursor settings.
constexpr int kStatusSegment = 3;
// Hardware keys 0-4 have tips; the pen's buttons do not.
constexpr int32_t kHardwareKeys = 5;
} // namespace

void BTPanelViewController::observe(const char* name, NotificationCenter::Callback callback)
{
    observers_.emplace_back(name, nullptr, std::move(callback));
}

void BTPanelViewController::runWhileAlive(std::weak_ptr<int> alive, std::function<void()> fn)
{
    // Checked on the main thread, where the controller is destroyed too.
    MainQueue::async([alive = std::move(alive), fn = std::move(fn)] {
        if (alive.lock()) fn();
    });
}

void BTPanelViewController::onMainQueue(std::function<void()> fn)
{
    runWhileAlive(alive_, std::move(fn));
}

std::optional<int32_t> BTPanelViewController::tipsKey(const Notification& note)
{
    const auto kid = note.userInfo.find("kid");
    const int64_t id = kid == note.userInfo.end() ? -1 : kid->second.integerValue();
    if (id < 0 || id >= kHardwareKeys) return std::nullopt;
    return static_cast<int32_t>(id);
}

std::optional<int> BTPanelViewController::pressurePercent(const Notification& note)
{
    const auto pressure = note.userInfo.find("pressure");
    if (pressure == note.userInfo.end()) return std::nullopt;
    return pressure->second.intValue(); // truncates the percentage
}

void BTPanelViewController::didChangeDriverStatus()
{
    onMainQueue([this] { updateDriverStatus(); });
}

void BTPanelViewController::updateDriverStatus()
{
    if (!window_) return;
    Ui::Panel& ui = *ui_;
    const bool connected = driver().isConnected();
    ui.statusLabel->setText(connected ? QStringLiteral("The graphics tablet is connected...")
                                      : QStringLiteral("The graphics tablet is disconnected"));
    {
        const QSignalBlocker quiet(ui.segCtrl); // the page stays where it is
        ui.segCtrl->setCurrentIndex(kStatusSegment);
    }
    // The controls of every page (a group box carries its own with it).
    for (int page = 0; page < ui.tabView->count(); ++page)
        for (QWidget* control : ui.tabView->widget(page)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            control->setEnabled(connected);
    const Point offset = driver().cursorOffset();
    ui.cursorLabel->setText(QString::asprintf("Offset %.0f,%.0f", offset.x, offset.y));
}

void BTPanelViewController::updateSettings()
{
    if (!window_) return;
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(ui_->penUpButton),
                                    static_cast<QAbstractButton*>(ui_->penDownButton),
                                    static_cast<QAbstractButton*>(ui_->showTabletShortcutButton)}) {
        const int key = button->property("tag").toInt();
        button->setText(QString::fromStdString(KeyMapInfo::shortkeyToChina(shortcuts().readShortcutForCmd(key))));
    }
}

void BTPanelViewController::showShortcutTips(const Notification& note)
{
    if (const auto key = tipsKey(note)) onMainQueue([this, key = *key] { openShortcutTips(key); });
}

void BTPanelViewController::openShortcutTips(int32_t key)
{
    // The all-displays row, and no list yet, mean the main display.
    const auto list =
        Platform::services().displays ? Platform::services().displays->activeDisplays() : std::vector<DisplayID>();
    const DisplayID* display = safeObjectAtIndexForScreen(list, static_cast<size_t>(selectedDisplayRow()));
    auto* tips = new ShowShoutcut(&shortcuts()); // closes and goes away by itself
    tips->show();
    tips->setScreenSize(display ? screenSize(*display) : Rect());
    tips->setId(key);
}

void BTPanelViewController::showPressure(const Notification& note)
{
    if (const auto percent = pressurePercent(note)) onMainQueue([this, p = *percent] { showPressurePercent(p); });
}

void BTPanelViewController::showPressurePercent(int percent)
{
    if (window_) ui_->showPressureProgress->setValue(percent);
}
