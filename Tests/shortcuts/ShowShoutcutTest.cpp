#include "ShowShoutcut.h"

#include "Configure.h"
#include "FixedDisplayService.h"
#include "KeyMapInfo.h"
#include "PlatformServices.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

namespace {

// Tips over a document of the test's own, on a main display of 1920 x 1080
// with a second one to its right.
class ShowShoutcutTest : public ::testing::Test {
protected:
    ShowShoutcutTest() { Platform::services().displays = &displays; }
    ~ShowShoutcutTest() override
    {
        for (auto& tips : opened)
            if (tips) tips->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Platform::services().displays = previousDisplays;
    }

    // As the panel opens it: shown, then the display, then the key.
    QPointer<ShowShoutcut> show(int32_t kid, const Rect& display = Rect(0, 0, 1920, 1080))
    {
        auto* tips = new ShowShoutcut(&store);
        tips->show();
        tips->setScreenSize(display);
        tips->setId(kid);
        opened.emplace_back(tips);
        return tips;
    }

    TempDir dir;
    UserDefaults defaults{dir.file("defaults.plist")};
    Configure store{&defaults, R"({"1":{"enableKeyboard":1,"shortcutEvent":"Ctrl+","keyboardEvent":"Z "},
                                   "2":{"enableMouse":1,"mouse":"MouseLeft;"}})"};
    DisplayService* previousDisplays = Platform::services().displays;
    FixedDisplayService displays{{Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 800)}};
    std::vector<QPointer<ShowShoutcut>> opened;
};

// Window-system coordinates (y up from the main display's bottom) and where
// the 300 x 100 window's top-left corner lands in Qt's.
TEST_F(ShowShoutcutTest, PlacedAtTheTopCentreOfTheDisplay)
{
    const struct {
        Rect display;
        Point origin;
        QPoint qt;
    } rows[] = {
        {Rect(1440, 0, 1920, 1080), {2250, 970}, {2250, 10}},
        {Rect(0, 0, 1920, 1080), {810, 970}, {810, 10}},
        {Rect(1920, 280, 1280, 800), {2410, 970}, {2410, 10}}, // top-aligned, shorter display
        {Rect(0, -800, 1280, 800), {490, -110}, {490, 1090}},  // below the main display
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ShowShoutcut::windowOrigin(row.display, {300, 100}), row.origin) << NSStringFromRect(row.display);
        const auto tips = show(1, row.display);
        EXPECT_EQ(tips->size(), QSize(300, 100));
        EXPECT_EQ(tips->pos(), row.qt) << NSStringFromRect(row.display);
        EXPECT_EQ(tips->screenSize(), row.display);
    }
    // Each coordinate goes through single precision.
    const Point third = ShowShoutcut::windowOrigin(Rect(1.0 / 3, 1.0 / 3, 0, 10), {0, 0});
    EXPECT_EQ(third.x, static_cast<double>(static_cast<float>(1.0 / 3)));
    EXPECT_EQ(third.y, static_cast<double>(static_cast<float>(1.0 / 3)));
    EXPECT_NE(third.x, 1.0 / 3);
}

// Only the pieces tagged with the key appear; its label tells the shortcut.
TEST_F(ShowShoutcutTest, ShowsThePiecesOfTheKey)
{
    const struct {
        int32_t kid;
        const char* text;
    } rows[] = {{2, "Left Button "}, {1, "Ctrl+Z "}, {0, "Undefined"}, {4, "Undefined"}};
    for (const auto& row : rows) {
        const auto tips = show(row.kid);
        int shown = 0;
        for (QWidget* piece : tips->view()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const int tag = piece->property("tag").toInt();
            EXPECT_EQ(!piece->isHidden(), tag == row.kid) << piece->objectName().toStdString();
            if (piece->isHidden()) continue;
            ++shown;
            if (auto* label = qobject_cast<QLabel*>(piece)) {
                EXPECT_EQ(label->text().toStdString(), row.text);
            }
        }
        EXPECT_EQ(shown, 2) << "the key row and the label of key " << row.kid;
    }
    // The pictures are there for the panel too, one per key shown.
    for (int kid = 0; kid <= 4; ++kid) EXPECT_EQ(ShowShoutcut::keyRowPicture(kid).size(), QSize(236, 60)) << kid;
    EXPECT_TRUE(ShowShoutcut::keyRowPicture(5).isNull());
    // A key without pieces shows nothing.
    const auto none = show(7);
    for (QWidget* piece : none->view()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(piece->isHidden());
}

// A translucent window above all others that is never activated and never
// takes the keyboard, so drawing goes on in the application the user is in.
// (The offscreen platform activates every window it shows, whatever its
// flags, so the flags are what can be checked here.)
TEST_F(ShowShoutcutTest, FloatsWithoutTakingTheFocus)
{
    const auto tips = show(3);
    for (Qt::WindowType flag : {Qt::WindowDoesNotAcceptFocus, Qt::WindowStaysOnTopHint, Qt::X11BypassWindowManagerHint,
                                Qt::FramelessWindowHint, Qt::WindowTransparentForInput})
        EXPECT_TRUE(tips->windowFlags().testFlag(flag)) << flag;
    EXPECT_TRUE(tips->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(tips->focusPolicy(), Qt::NoFocus);
    EXPECT_DOUBLE_EQ(tips->windowOpacity(), 0.8);
}

// Two quick presses stack two windows in one place; each closes 3 s after it
// opened.
TEST_F(ShowShoutcutTest, QuickPressesStackWindowsThatCloseOnTheirOwn)
{
    QElapsedTimer clock;
    clock.start();
    const auto first = show(0);
    QTest::qWait(800);
    const auto second = show(1);
    EXPECT_EQ(first->pos(), second->pos());
    EXPECT_TRUE(first->isVisible() && second->isVisible());

    qint64 firstGone = -1, secondGone = -1;
    while ((firstGone < 0 || secondGone < 0) && clock.elapsed() < 6000) {
        QTest::qWait(20);
        if (firstGone < 0 && first.isNull()) firstGone = clock.elapsed();
        if (secondGone < 0 && second.isNull()) secondGone = clock.elapsed();
    }
    EXPECT_GE(firstGone, 3000);
    EXPECT_LT(firstGone, 3500);
    EXPECT_GE(secondGone, 3800);
    EXPECT_LT(secondGone, 4300);
}

} // namespace
