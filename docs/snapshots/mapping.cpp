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
#include "UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kDisplayWidth = 1920;
constexpr int kDisplayHeight = 1080;

// A made-up desktop: a sky, a top bar and two windows.
QImage displayPicture()
{
    QImage picture(kDisplayWidth, kDisplayHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&picture);
    QLinearGradient sky(0, 0, 0, kDisplayHeight);
    sky.setColorAt(0, QColor(58, 96, 160));
    sky.setColorAt(1, QColor(196, 140, 120));
    p.fillRect(picture.rect(), sky);
    p.fillRect(0, 0, kDisplayWidth, 36, QColor(30, 32, 38));
    const auto window = [&](QRect r, QColor title) {
        p.fillRect(r.adjusted(8, 8, 8, 8), QColor(0, 0, 0, 60));
        p.fillRect(r, QColor(246, 246, 246));
        p.fillRect(QRect(r.x(), r.y(), r.width(), 44), title);
    };
    window(QRect(180, 160, 900, 620), QColor(214, 218, 226));
    window(QRect(1180, 300, 560, 520), QColor(226, 214, 218));
    p.setPen(QPen(QColor(40, 90, 200), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(260, 600, 560, 320);
    p.drawLine(560, 320, 900, 520);
    return picture;
}

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
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    FixedDisplayService displays({Rect(0, 0, kDisplayWidth, kDisplayHeight)});
    displays.setPicture(displays.mainDisplay(), displayPicture());
    Platform::services().displays = &displays;

    // A driver of its own, over settings in a temporary folder.
    QTemporaryDir settings;
    UserDefaults defaults(QDir(settings.path()).filePath("defaults.plist").toStdString());
    BTDriverManager driver(BTDriverManager::Options{&defaults});
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

    const QString path = QDir(QString::fromLocal8Bit(argv[1])).filePath("mapping-views.png");
    if (!sheet.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
