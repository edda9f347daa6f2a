// Renders the settings panel, with the tablet connected through the scripted
// HID bus, once per page into OUTPUT_DIR/panel-<page>.png.
#include "BTDriverManager.h"
#include "BTPanelView.h"
#include "BTPanelViewController.h"
#include "BTScreenManager.h"
#include "Configure.h"
#include "FixedDisplayService.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "RecordingHIDEventSystem.h"
#include "ScriptedHIDBus.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

void settle(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        MainQueue::drain();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// A desktop for the map's display picture: a wallpaper and two windows.
QImage desktop(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(0x2f, 0x5d, 0x8a));
    sky.setColorAt(1, QColor(0x8a, 0xb6, 0xd6));
    p.fillRect(image.rect(), sky);
    p.fillRect(0, 0, width, height / 36, QColor(0x20, 0x22, 0x26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xf4, 0xf4));
    p.drawRoundedRect(QRectF(width * 0.12, height * 0.16, width * 0.46, height * 0.56), 12, 12);
    p.setBrush(QColor(0xe2, 0xe6, 0xea));
    p.drawRoundedRect(QRectF(width * 0.52, height * 0.34, width * 0.36, height * 0.46), 12, 12);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    // Default settings in a defaults store that is thrown away; one display.
    QTemporaryDir scratch;
    UserDefaults defaults(scratch.filePath(QStringLiteral("defaults.plist")).toStdString());
    Configure shortcuts(&defaults);
    FixedDisplayService displays({Rect(0, 0, 1920, 1080)});
    displays.setPicture(displays.activeDisplays().front(), desktop(1920, 1080));
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
    settle(500);
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
        settle(150);
        const QString name = pages->widget(i)->windowTitle().toLower();
        const QString path = out.filePath(QStringLiteral("panel-%1.png").arg(name));
        if (!window->grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    panel.setHasActivePanel(false);
    settle(300);
    return ok ? 0 : 1;
}
