// The panel's small controls: the offset-field filter, the hover buttons, the
// pointer-shape button, the display-number flag and the window-frame flip.
#include "BTCustomCursorButton.h"
#include "FixedDisplayService.h"
#include "HSButton.h"
#include "MonitorFlag.h"
#include "OnlyIntegerValueFormatter.h"
#include "PlatformServices.h"
#include "WindowFrame.h"

#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

TEST(OnlyIntegerValueFormatter, AcceptsOneNumberFromZeroToOneOfAtMostFourCharacters)
{
    struct Case {
        const char* text;
        bool accepted;
        bool beeps;
    };
    const Case cases[] = {
        {"", true, false},     {"0.25", true, false}, {"1", true, false},     {" 0.5", true, false},
        {"0.", true, false},   {"1.5", false, true},  {"-0.1", false, true},  {"abc", false, true},
        {".", false, true},    {"0.5x", false, true}, {"0.255", false, false}, {"1,0", false, true},
    };
    OnlyIntegerValueFormatter formatter;
    int beeps = 0;
    formatter.setBeep([&] { ++beeps; });
    for (const Case& c : cases) {
        beeps = 0;
        QString text = QString::fromUtf8(c.text);
        int pos = 0;
        EXPECT_EQ(formatter.validate(text, pos) == QValidator::Acceptable, c.accepted) << c.text;
        EXPECT_EQ(beeps, c.beeps ? 1 : 0) << c.text;
    }
}

TEST(HSButton, EnteringOneSelectsItAndHidesTheOthersUntilTheyAreRedrawn)
{
    QWidget window;
    HSButton* keys[3];
    int clicks[3] = {};
    for (int i = 0; i < 3; ++i) {
        keys[i] = new HSButton(&window);
        keys[i]->setText(QString::number(i));
        keys[i]->setGeometry(20 + i * 40, 40, 40, 30); // clear of the pointer at the origin
        QObject::connect(keys[i], &QPushButton::clicked, [&clicks, i] { ++clicks[i]; });
    }
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage blank = keys[1]->grab().toImage(); // never hovered: not drawn

    auto enter = [](HSButton* button) {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(button, &event);
    };
    enter(keys[0]);
    enter(keys[2]);
    enter(keys[2]);
    EXPECT_EQ(clicks[0], 1);
    EXPECT_EQ(clicks[2], 2); // once per entry
    EXPECT_EQ(clicks[1], 0);
    EXPECT_TRUE(keys[0]->hover()); // the flag stays; only the picture goes
    EXPECT_EQ(keys[0]->alphaValue(), 0);

    const QImage hidden = keys[0]->grab().toImage();
    EXPECT_EQ(hidden, blank);
    const QImage shownAgain = keys[0]->grab().toImage(); // a later redraw follows the flag
    EXPECT_EQ(keys[0]->alphaValue(), 1);
    EXPECT_NE(shownAgain, blank);
    EXPECT_GE(HSButton::registry().size(), 3u);
}

TEST(HSButton, TheRegistrySkipsButtonsThatDiedWithTheirWindow)
{
    auto window = std::make_unique<QWidget>();
    new HSButton(window.get());
    window.reset();
    HSButton survivor;
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&survivor, &event); // hides the others: must not touch the dead one
    EXPECT_TRUE(survivor.hover());
}

TEST(BTCustomCursorButton, ShowsItsOwnShapeOnlyWhenGivenOne)
{
    BTCustomCursorButton button;
    EXPECT_FALSE(button.hasCustomCursor());
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
    button.setCursor(Qt::PointingHandCursor);
    EXPECT_TRUE(button.hasCustomCursor());
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
}

TEST(MonitorFlag, ShowsItsNumberTranslucentOnTopAndClosesItselfAfterThreeSeconds)
{
    QPointer<MonitorFlag> first = new MonitorFlag;
    first->SetFlag(2);
    first->show();
    EXPECT_EQ(first->flagTextField()->text(), "2");
    EXPECT_DOUBLE_EQ(first->windowOpacity(), 0.8);
    EXPECT_TRUE(first->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(first->windowFlags() & Qt::WindowDoesNotAcceptFocus);

    QTest::qWait(1200);
    QPointer<MonitorFlag> second = new MonitorFlag; // a second round while the first shows
    second->show();
    QTest::qWait(MonitorFlag::kLifetimeMilliseconds - 1200 + 500);
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(second.isNull());
    QTest::qWait(1400);
    EXPECT_TRUE(second.isNull());
}

TEST(WindowFrame, FlipsAboutTheMainDisplayBothWays)
{
    FixedDisplayService displays({Rect(0, 0, 1920, 1080), Rect(1920, -200, 1280, 800)});
    DisplayService* previous = Platform::services().displays;
    Platform::services().displays = &displays;

    EXPECT_EQ(WindowFrame::toQt(Rect(2250, 970, 300, 100)), Rect(2250, 10, 300, 100));
    EXPECT_EQ(WindowFrame::fromQt(Rect(2250, 10, 300, 100)), Rect(2250, 970, 300, 100));
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(120, 80);
    WindowFrame::setFrameOrigin(&window, Point{2560, 280}); // the side display's centre, y up
    EXPECT_EQ(window.pos(), QPoint(2560, 1080 - 280 - 80));
    EXPECT_EQ(WindowFrame::frame(&window), Rect(2560, 280, 120, 80));

    Platform::services().displays = previous;
}
