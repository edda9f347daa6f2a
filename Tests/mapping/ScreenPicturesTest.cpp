// Display pictures: one display's, and the composite of all of them placed as
// they lie, from solid-colour pictures of the fixed displays; then over Qt's
// two offscreen screens.
#include "DriverHarness.h"
#include "LogCapture.h"
#include "QtDisplayService.h"
#include "ScreenAdditions.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

struct Probe {
    int x, y;
    QColor colour; // transparent: nothing drawn there
};

struct PictureCase {
    const char* name;
    std::vector<Rect> displays;
    int32_t index;
    QSize size;
    std::vector<Probe> probes;
};

const QColor kColours[] = {Qt::red, Qt::blue, Qt::green};
const QColor kNone(0, 0, 0, 0);

} // namespace

TEST(ScreenPictures, OneDisplayOrTheCompositeOfAllPlacedAsTheyLie)
{
    const Rect main(0, 0, 1920, 1080);
    const PictureCase cases[] = {
        {"tops aligned, side shorter", {main, Rect(1920, 0, 1280, 800)}, 2, QSize(3200, 1080),
         {{100, 100, Qt::red}, {1919, 1079, Qt::red}, {2000, 0, Qt::blue}, {3199, 799, Qt::blue}, {3199, 800, kNone}}},
        {"side lower", {main, Rect(1920, 200, 1280, 800)}, 2, QSize(3200, 1080),
         {{2000, 199, kNone}, {2000, 200, Qt::blue}, {2000, 999, Qt::blue}, {2000, 1000, kNone}}},
        {"side reaching above", {main, Rect(1920, -300, 1280, 800)}, 2, QSize(3200, 1380),
         {{100, 299, kNone}, {100, 300, Qt::red}, {2000, 0, Qt::blue}, {2000, 799, Qt::blue}, {2000, 800, kNone}}},
        {"side to the left", {main, Rect(-1280, 0, 1280, 800)}, 2, QSize(3200, 1080),
         {{0, 0, Qt::blue}, {1280, 0, Qt::red}, {0, 900, kNone}}},
        {"a mirror adds nothing", {main, Rect(1920, 0, 1280, 800), main}, 3, QSize(3200, 1080),
         {{100, 100, Qt::red}, {2000, 100, Qt::blue}}},
        {"negative index", {main, Rect(1920, 0, 1280, 800)}, -1, QSize(3200, 1080), {{2000, 100, Qt::blue}}},
        {"one display, past it", {main}, 1, QSize(1920, 1080), {{0, 0, Qt::red}, {1919, 1079, Qt::red}}},
        {"one of two", {main, Rect(1920, 0, 1280, 800)}, 1, QSize(1280, 800), {{0, 0, Qt::blue}}},
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(c.name);
        DriverHarness h(c.displays);
        const auto ids = h.displays().activeDisplays();
        for (size_t i = 0; i < ids.size(); ++i) {
            QImage solid(static_cast<int>(c.displays[i].width()), static_cast<int>(c.displays[i].height()),
                         QImage::Format_ARGB32);
            solid.fill(kColours[i]);
            h.displays().setPicture(ids[i], solid);
        }
        const QImage picture = screenShot(c.index);
        ASSERT_EQ(picture.size(), c.size);
        for (const Probe& p : c.probes)
            EXPECT_EQ(picture.pixelColor(p.x, p.y), p.colour) << p.x << ", " << p.y;
    }
}

TEST(ScreenPictures, MissingPicturesAndMissingDisplays)
{
    DriverHarness h({Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 800)});
    EXPECT_TRUE(screenShot(0).isNull()); // the display gives no picture
    const QImage composite = screenShot(2); // nor the others: still the whole layout, empty
    EXPECT_EQ(composite.size(), QSize(3200, 1080));
    EXPECT_EQ(composite.pixelColor(100, 100), kNone);
    EXPECT_EQ(screenName(h.displays().mainDisplay()), h.displays().productName(h.displays().mainDisplay()));

    LogCapture log;
    h.displays().setLayout({});
    EXPECT_TRUE(screenShot(0).isNull());
    EXPECT_TRUE(log.contains("failed to create bitmap context"));
}

TEST(ScreenPictures, QtScreensOfTheOffscreenPlatform)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with the two-screen offscreen configuration";
    QtDisplayService qt;
    PlatformServices& services = Platform::services();
    DisplayService* previous = services.displays;
    services.displays = &qt;
    EXPECT_EQ(screenShot(0).size(), QSize(1920, 1080));
    EXPECT_EQ(screenShot(1).size(), QSize(1280, 800));
    EXPECT_EQ(screenShot(2).size(), QSize(3200, 1080));
    EXPECT_EQ(screenName(qt.activeDisplays()[0]), ""); // offscreen screens report no model
    services.displays = previous;
}
