#include "ShowShoutcut.h"

#include "Configure.h"
#include "FixedDisplayService.h"
#include "PlatformServices.h"
#include "TempDir.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
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
    ShowShoutcut& show(int32_t kid, const Rect& display = Rect(0, 0, 1920, 1080))
    {
        auto* tips = new ShowShoutcut(&store);
        tips->show();
        tips->setScreenSize(display);
        tips->setId(kid);
        opened.emplace_back(tips);
        return *tips;
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
// the 300 x 100 window's top-left corner lands in Qt's, each coordinate
// rounded to single precision. The window never takes the focus, so drawing
// goes on in the application the user is in (the offscreen platform activates
// every window, so the flag is what is checked).
TEST_F(ShowShoutcutTest, FloatsAtTheTopCentreOfTheDisplay)
{
    const struct {
        Rect display;
        Point origin;
        QPoint qt;
    } rows[] = {
        {Rect(1440, 0, 1920, 1080), {2250, 970}, {2250, 10}},
        {Rect(1920, 280, 1280, 800), {2410, 970}, {2410, 10}}, // top-aligned, shorter display
        {Rect(0, -800, 1280, 800), {490, -110}, {490, 1090}},  // below the main display
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ShowShoutcut::windowOrigin(row.display, {300, 100}), row.origin) << NSStringFromRect(row.display);
        const ShowShoutcut& tips = show(1, row.display);
        EXPECT_EQ(tips.geometry(), QRect(row.qt, QSize(300, 100))) << NSStringFromRect(row.display);
        EXPECT_TRUE(tips.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus) && tips.screenSize() == row.display);
    }
    const Point third = ShowShoutcut::windowOrigin(Rect(1.0 / 3, 1.0 / 3, 0, 10), {0, 0});
    EXPECT_EQ(third, (Point{static_cast<float>(1.0 / 3), static_cast<float>(1.0 / 3)}));
}

// Only the pieces tagged with the key appear, the key row and a label that
// tells the shortcut; a key without pieces shows nothing. Each window closes
// 3 s after it opened, one opened later too, in the same place.
TEST_F(ShowShoutcutTest, ShowsThePiecesOfTheKeyForThreeSeconds)
{
    QElapsedTimer clock;
    clock.start();
    const std::pair<int32_t, const char*> rows[] = {{2, "Left Button "}, {1, "Ctrl+Z "}, {4, "Undefined"}, {7, nullptr}};
    for (const auto& [kid, text] : rows) {
        int shown = 0;
        for (QWidget* piece : show(kid).view()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            EXPECT_EQ(!piece->isHidden(), piece->property("tag").toInt() == kid) << piece->objectName().toStdString();
            shown += !piece->isHidden();
            if (auto* label = qobject_cast<QLabel*>(piece); label && !piece->isHidden()) {
                EXPECT_EQ(label->text().toStdString(), text);
            }
        }
        EXPECT_EQ(shown, text ? 2 : 0) << kid;
    }
    EXPECT_EQ(ShowShoutcut::keyRowPicture(4).size(), QSize(236, 60)); // for the panel too

    QTest::qWait(800);
    EXPECT_EQ(show(0).pos(), opened.front()->pos());
    const auto openAt = [&](qint64 ms) {
        QTest::qWait(static_cast<int>(std::max<qint64>(0, ms - clock.elapsed())));
        return std::count_if(opened.begin(), opened.end(), [](const auto& tips) { return !tips.isNull(); });
    };
    EXPECT_EQ((std::vector<long>{openAt(2950), openAt(3500), openAt(3750), openAt(4300)}), (std::vector<long>{5, 1, 1, 0}));
}

} // namespace
