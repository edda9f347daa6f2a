// Renders the settings panel, with the tablet connected through the scripted
// HID bus, once per page into OUTPUT_DIR/panel-<page>.png.
#include "BTDriverManager.h"
#include "BTPanelView.h"
#include "BTPanelViewController.h"
#include "BTScreenManager.h"
#include "Configure.h"
#include "FixedDisplayService.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "RecordingHIDEventSystem.h"
#include "ScriptedHIDBus.h"
#include "Snapshot.h"
#include "UserDefaults.h"

#include <QStackedWidget>
#include <QTabBar>

int main(int argc, char** argv)
{
    Snapshot snapshot(argc, argv);
    if (!snapshot.ready()) return 2;

    // Default settings in a defaults store that is thrown away; one display.
    UserDefaults& defaults = snapshot.defaults();
    Configure shortcuts(&defaults);
    FixedDisplayService displays({Rect(0, 0, 1920, 1080)});
    displays.setPicture(displays.activeDisplays().front(), Snapshot::desktop(1920, 1080));
    RecordingHIDEventSystem events;
    auto bus = ScriptedHIDBus::create();
    PlatformServices& services = Platform::services();
    services.displays = &displays;
    services.hidEventSystem = &events;
    services.makeHIDManager = [bus] { return bus->makeManager(); };

    BTDriverManager driver(BTDriverManager::Options{&defaults});
    BTScreenManager screens(driver);
    driver.setScreenManagerSource(&screens);
    driver.setShortcutStore(&shortcuts);
    bus->plugIn(BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID());
    driver.reinitialize(); // the tablet is found on this thread's loop

    BTPanelViewController panel(nullptr, {&driver, &screens, &shortcuts, &defaults});
    panel.setHasActivePanel(true);
    Snapshot::settle(500);
    if (!driver.isConnected()) {
        std::fprintf(stderr, "the scripted tablet did not connect\n");
        return 1;
    }
    // A pen pressing at 62 % for the meter.
    NotificationCenter::defaultCenter().postNotification(kUpdatePressureNotification, nullptr, {{"pressure", 62.0}});

    BTPanelView* window = panel.window();
    auto* selector = window->findChild<QTabBar*>(QStringLiteral("segCtrl"));
    auto* pages = window->findChild<QStackedWidget*>(QStringLiteral("tabView"));
    bool ok = selector && pages;
    for (int i = 0; ok && i < pages->count(); ++i) {
        selector->setCurrentIndex(i); // as a click on the segment
        Snapshot::settle(150);
        const QString name = pages->widget(i)->windowTitle().toLower();
        ok = snapshot.save(window->grab().toImage(), QStringLiteral("panel-%1.png").arg(name));
    }
    panel.setHasActivePanel(false);
    Snapshot::settle(300);
    return ok ? 0 : 1;
}
