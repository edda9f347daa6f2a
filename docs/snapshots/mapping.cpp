// Renders the mapping views side by side into OUTPUT_DIR/mapping-views.png:
// the map of display and tablet with a stored screen and tablet area over a
// display picture, the test pad with a few strokes of rising pressure, and
// the panel background with its arrow.
#include "BTBackgroundView.h"
#include "BTDriverManager.h"
#include "BTMonitorView.h"
#include "BTScreenManager.h"
#include "BTTestPadView.h"
#include "FixedDisplayService.h"
#include "PlatformServices.h"
#include "Snapshot.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr int kDisplayWidth = 1920;
constexpr int kDisplayHeight = 1080;

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// A wavy stroke whose pressure rises from nothing to full.
void drawStrokes(BTTestPadView& pad)
{
    for (int row = 0; row < 3; ++row) {
        const double y = 150 - row * 50;
        BTMouseEvent event;
        event.type = BTMouseEvent::LeftMouseDown;
        event.locationInView = {30, y};
        pad.mouseDown(event);
        event.type = BTMouseEvent::LeftMouseDragged;
        for (int step = 1; step <= 60; ++step) {
            const double x = 30 + step * 5;
            event.locationInView = {x, y + 12 * std::sin(x / 24.0)};
            event.pressure = static_cast<float>((row * 60 + step) / 180.0);
            pad.drawLineWithEvent(event);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    Snapshot snapshot(argc, argv);
    if (!snapshot.ready()) return 2;

    FixedDisplayService displays({Rect(0, 0, kDisplayWidth, kDisplayHeight)});
    displays.setPicture(displays.mainDisplay(), Snapshot::desktop(kDisplayWidth, kDisplayHeight));
    Platform::services().displays = &displays;

    // A driver of its own, over settings that are thrown away.
    BTDriverManager driver(BTDriverManager::Options{&snapshot.defaults()});
    BTScreenManager screens(driver);
    driver.setScreenManagerSource(&screens);
    driver.setScreenArea(Rect(240, 200, 1280, 720));
    driver.setTabletArea(Rect(6000, 9000, 44000, 30000));

    BTMonitorView map;
    map.setDriver(&driver);
    map._tabletSettings = &driver._vexloSettings;
    map.resize(360, 470);
    map.initTabletRotate(0);
    map.selectMonitorIndex(0); // the display picture, and the whole display as the area
    map.setFullScreen();       // the next draw reads the screen area again: the stored one
    driver.setScreenArea(Rect(240, 200, 1280, 720));
    const QImage mapPicture = render(map);

    BTTestPadView pad;
    pad.resize(360, 200);
    drawStrokes(pad);
    const QImage padPicture = render(pad);

    BTBackgroundView background;
    background.resize(300, 200);
    background.setArrowX(150);
    const QImage backgroundPicture = render(background);

    constexpr int margin = 24;
    QImage sheet(margin * 4 + 360 * 2 + 300, margin * 2 + 470, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(92, 104, 122));
    QPainter p(&sheet);
    p.drawImage(margin, margin, mapPicture);
    p.drawImage(margin * 2 + 360, margin + (470 - 200) / 2, padPicture);
    p.drawImage(margin * 3 + 720, margin + (470 - 200) / 2, backgroundPicture);
    p.end();

    return snapshot.save(sheet, QStringLiteral("mapping-views.png")) ? 0 : 1;
}
