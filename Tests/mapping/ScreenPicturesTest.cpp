// Display pictures: one display's, and the composite of all of them placed as
// they lie, from solid-colour pictures of the fixed displays; then over Qt's
// two offscreen screens.
#include "DriverHarness.h"
#include "LogCapture.h"
#include "QtDisplayService.h"
#include "ScreenAdditions.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <tuple>


namespace {
const QColor kNone(0, 0, 0, 0); // nothing drawn there
} // namespace

TEST(ScreenPictures, OneDisplayOrTheCompositeOfAllPlacedAsTheyLie)
{
    const Rect main(0, 0, 1920, 1080), side(1920, 0, 1280, 800);
    // The displays (pictures red, blue, green), the picture asked for, its size and colours in it.
    using Probes = std::vector<std::tuple<int, int, QColor>>;
    const std::tuple<const char*, std::vector<Rect>, int32_t, QSize, Probes> cases[] = {
        {"tops aligned, side shorter", {main, side}, 2, QSize(3200, 1080),
         {{100, 100, Qt::red}, {1919, 1079, Qt::red}, {2000, 0, Qt::blue}, {3199, 799, Qt::blue}, {3199, 800, kNone}}},
        {"one lower on the right, one reaching above on the left",
         {main, Rect(1920, 200, 1280, 800), Rect(-1280, -300, 1280, 800)}, 3, QSize(4480, 1380),
         {{1280, 299, kNone}, {1280, 300, Qt::red}, {3200, 499, kNone}, {3200, 500, Qt::blue}, {3200, 1299, Qt::blue},
          {3200, 1300, kNone}, {0, 0, Qt::green}, {1279, 799, Qt::green}, {0, 800, kNone}}},
        {"a mirror adds nothing", {main, side, main}, 3, {3200, 1080}, {{100, 100, Qt::red}, {2000, 100, Qt::blue}}},
        {"negative index", {main, side}, -1, QSize(3200, 1080), {{2000, 100, Qt::blue}}},
        {"one display, past it", {main}, 1, QSize(1920, 1080), {{0, 0, Qt::red}, {1919, 1079, Qt::red}}},
        {"one of two", {main, side}, 1, QSize(1280, 800), {{0, 0, Qt::blue}}},
    };
    for (const auto& [name, displays, index, size, probes] : cases) {
        SCOPED_TRACE(name);
        DriverHarness h(displays);
        const auto ids = h.displays().activeDisplays();
        for (size_t i = 0; i < ids.size(); ++i) {
            QImage solid(QSizeF(displays[i].width(), displays[i].height()).toSize(), QImage::Format_ARGB32);
            solid.fill(i == 0 ? Qt::red : i == 1 ? Qt::blue : Qt::green);
            h.displays().setPicture(ids[i], solid);
        }
        const QImage picture = screenShot(index);
        ASSERT_EQ(picture.size(), size);
        for (const auto& [x, y, colour] : probes) EXPECT_EQ(picture.pixelColor(x, y), colour) << x << ", " << y;
    }
}

TEST(ScreenPictures, MissingPicturesMissingDisplaysAndQtsScreens)
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

    // The offscreen platform's two screens, as the test's configuration sets them.
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run with the two-screen offscreen configuration";
    QtDisplayService qt;
    Platform::services().displays = &qt; // the harness puts its predecessor back
    EXPECT_EQ((std::vector{screenShot(0).size(), screenShot(1).size(), screenShot(2).size()}),
              (std::vector{QSize(1920, 1080), QSize(1280, 800), QSize(3200, 1080)}));
    EXPECT_EQ(screenName(qt.activeDisplays()[0]), ""); // offscreen screens report no model
}
