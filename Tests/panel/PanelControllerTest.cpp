// The settings panel's controls, display list and notification handlers,
// driven with real events on the real widgets.
#include "BTMonitorView.h"
#include "DefaultsKeys.h"
#include "HSButton.h"
#include "KeyMapInfo.h"
#include "LogCapture.h"
#include "MonitorFlag.h"
#include "PanelFixture.h"
#include "ScreenAdditions.h"
#include "ShortcutSetting.h"
#include "ShowShoutcut.h"
#include "WindowFrame.h"

#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>

#include <thread>

namespace {

QStringList rows(QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
}

} // namespace

using PanelController = PanelFixture;

TEST_F(PanelController, DisplayListRowsTruncateSizesAndAddAnAllDisplaysRowForTwoOrMore)
{
    const struct {
        std::vector<Rect> layout;
        QStringList rows;
    } cases[] = {
        {{Rect(0, 0, 1920, 1080)}, {"Display1:W:1920:H:1080(Main)"}},
        {twoDisplays(), {"Display1:W:1920:H:1080(Main)", "Display2:W:1280:H:800", "All screens:W:3200:H:1080"}},
        {{Rect(0, 0, 1366.9, 768.5), Rect(1366.9, 0, 1023.7, 767.9)},
         {"Display1:W:1366:H:768(Main)", "Display2:W:1023:H:767", "All screens:W:2390:H:768"}},
    };
    for (const auto& c : cases) {
        displays_.setLayout(c.layout);
        panel_.reset();
        EXPECT_EQ(rows(outlet<QComboBox>("displaysCombo")), c.rows);
        EXPECT_EQ(controller().numberOfItemsInComboBox(nullptr), c.rows.size());
    }
}

TEST_F(PanelController, OnlyTheSelectedRowMovesTheMappingAndOpeningTheListChangesNothing)
{
    defaults_.setObject(1, DefaultsKeys::displayId);
    connectTablet();
    QComboBox* combo = outlet<QComboBox>("displaysCombo");
    ASSERT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(driver().displayId(), 1); // listing three rows did not move it to the last
    const Rect side = screenSize(displays_.activeDisplays()[1]);
    EXPECT_EQ(screens_->targetScreen(), displays_.activeDisplays()[1]);
    const Rect area = driver().screenArea();

    combo->showPopup();
    drain();
    combo->hidePopup();
    drain();
    EXPECT_EQ(driver().displayId(), 1);
    EXPECT_EQ(driver().screenArea(), area);
    EXPECT_EQ(driver().screenArea(), side);

    // The user's choice of the all-displays row: the bounds of all, no single target.
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(driver().displayId(), 2);
    EXPECT_EQ(driver().screenArea(), allScreenSize());
    EXPECT_EQ(screens_->targetScreen(), 0u);
}

TEST_F(PanelController, AStoredDisplayThatIsGoneSelectsTheMainDisplayWithAWarning)
{
    LogCapture log;
    defaults_.setObject(5, DefaultsKeys::displayId);
    EXPECT_EQ(outlet<QComboBox>("displaysCombo")->currentIndex(), 0);
    EXPECT_EQ(driver().displayId(), 0);
    EXPECT_EQ(screens_->targetScreen(), displays_.activeDisplays()[0]);
    EXPECT_TRUE(log.contains("] [-warn-] stored display 5 is not attached"));
}

TEST_F(PanelController, AStoredScreenAreaSurvivesLoadingUnlessItIsOffItsDisplay)
{
    struct Case {
        Rect stored;
        Rect expected;
    };
    const Case cases[] = {
        {Rect(400, 200, 400, 400), Rect(400, 200, 400, 400)}, // part of the main display: kept
        {Rect(3000, 0, 400, 400), Rect(0, 0, 1920, 1080)},    // not on it: the whole display
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        defaults_.setObject(PlistValue::Array{c.stored.x(), c.stored.y(), c.stored.width(), c.stored.height()},
                            DefaultsKeys::screenArea);
        controller();
        QTest::qWait(50); // the map view has drawn and written the area back
        EXPECT_EQ(driver().screenArea(), c.expected) << NSStringFromRect(c.stored);
    }
    // A choice of the user's maps the whole display.
    QComboBox* combo = outlet<QComboBox>("displaysCombo");
    combo->setCurrentIndex(1);
    EXPECT_EQ(driver().screenArea(), screenSize(displays_.activeDisplays()[1]));
}

TEST_F(PanelController, MonitorKeyCyclesThroughTheSingleDisplays)
{
    QComboBox* combo = outlet<QComboBox>("displaysCombo");
    const auto ids = displays_.activeDisplays();
    const struct {
        int from, to;
    } steps[] = {{0, 1}, {1, 0}, {2, 0}};
    for (const auto& s : steps) {
        combo->setCurrentIndex(s.from);
        NotificationCenter::defaultCenter().postNotification("Monitor");
        drain();
        EXPECT_EQ(combo->currentIndex(), s.to) << s.from;
        EXPECT_EQ(driver().displayId(), s.to);
        EXPECT_EQ(screens_->targetScreen(), ids[static_cast<size_t>(s.to)]);
    }
    displays_.setLayout({Rect(0, 0, 1920, 1080)});
    drain();
    NotificationCenter::defaultCenter().postNotification("Monitor");
    drain();
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->count(), 1);
}

TEST_F(PanelController, CursorButtonsAndArrowKeysMoveTheOffsetAndTheLabelFollows)
{
    connectTablet();
    driver().setCursorOffset({3, 4});
    const struct {
        const char* button;
        Point offset;
    } clicks[] = {{"cursorUpButton", {3, 3}},    {"cursorRightButton", {4, 3}}, {"cursorDownButton", {4, 4}},
                  {"cursorLeftButton", {3, 4}},  {"cursorResetButton", {0, 0}}};
    for (const auto& c : clicks) {
        QTest::mouseClick(outlet<QPushButton>(c.button), Qt::LeftButton);
        EXPECT_EQ(driver().cursorOffset(), c.offset) << c.button;
    }
    driver().setCursorOffset({-7, 2});
    for (int code : {0, 6}) controller().updateCursorPositionWithIndex(code);
    EXPECT_EQ(driver().cursorOffset(), (Point{-7, 2}));
    EXPECT_EQ(defaults_.objectForKey(DefaultsKeys::offset), (PlistValue(PlistValue::Array{-7.0, 2.0})));
    drain();
    EXPECT_EQ(outlet<QLabel>("cursorLabel")->text(), "Offset -7,2");

    // A held arrow repeats every 0.3 s until it is released; a key that is no
    // arrow repeats the last move.
    driver().setCursorOffset({0, 0});
    QTest::keyPress(&window(), Qt::Key_Left);
    EXPECT_EQ(driver().cursorOffset(), (Point{-1, 0}));
    QTest::qWait(700);
    const double held = driver().cursorOffset().x;
    EXPECT_LE(held, -2);
    QTest::keyRelease(&window(), Qt::Key_Left);
    QTest::qWait(400);
    EXPECT_EQ(driver().cursorOffset().x, held);
    QTest::keyClick(&window(), Qt::Key_A);
    EXPECT_EQ(driver().cursorOffset(), (Point{held - 1, 0}));
    QTest::qWait(400);
    EXPECT_EQ(driver().cursorOffset(), (Point{held - 1, 0}));
    EXPECT_EQ(controller().cursorMoveAction(), 4);

    // Return in an edge field applies the edges and moves no cursor.
    auto* selector = outlet<QTabBar>("segCtrl");
    QTest::mouseClick(selector, Qt::LeftButton, {}, selector->tabRect(0).center());
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    auto* field = outlet<QLineEdit>("upOffsetText");
    field->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), field);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(driver().cursorOffset(), (Point{held - 1, 0}));
}

TEST_F(PanelController, RotationBoxesFollowTheStoredAngleAndTheUsersChoice)
{
    const char* const boxes[] = {"rotation0CheckBox", "rotation90CheckBox", "rotation180CheckBox",
                                 "rotation270CheckBox"};
    for (int stored : {45, 90}) {
        defaults_.setObject(stored, DefaultsKeys::rotation);
        driver_.reset();
        panel_.reset();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(outlet<QRadioButton>(boxes[i])->isChecked(), stored == 90 * i) << stored << boxes[i];
    }
    connectTablet();
    QTest::mouseClick(outlet<QRadioButton>("rotation270CheckBox"), Qt::LeftButton);
    EXPECT_EQ(driver().tabletRotation(), 270);
    EXPECT_EQ(screens_->rotation(), 270);
    EXPECT_FALSE(outlet<QRadioButton>("rotation90CheckBox")->isChecked());
    controller().rotationCheckBox(outlet<QPushButton>("applyButton")); // not a rotation box
    EXPECT_EQ(driver().tabletRotation(), 0);
}

TEST_F(PanelController, AspectButtonsSwitchEachOtherOffAndTheEdgeFieldsFollowTheArea)
{
    connectTablet();
    const auto edges = [&] {
        QStringList texts;
        for (const char* field : {"leftOffsetText", "rightOffsetText", "upOffsetText", "downOffsetText"})
            texts << outlet<QLineEdit>(field)->text();
        return texts;
    };
    const QStringList wholeTablet{"0.00", "1.00", "0.00", "1.00"};
    auto* selector = outlet<QTabBar>("segCtrl");
    QTest::mouseClick(selector, Qt::LeftButton, {}, selector->tabRect(0).center()); // the map's page
    EXPECT_TRUE(waitFor([&] { return edges() == wholeTablet; })) << edges().join(' ').toStdString();
    auto* whole = outlet<QPushButton>("applyFullTabletButton");
    auto* aspect = outlet<QPushButton>("applyForceTabletButton");
    QTest::mouseClick(whole, Qt::LeftButton);
    QTest::mouseClick(aspect, Qt::LeftButton);
    EXPECT_TRUE(aspect->isChecked());
    EXPECT_FALSE(whole->isChecked());
    // 16:9 on a 3:2 tablet: the full width, less than the full height.
    EXPECT_TRUE(waitFor([&] { return edges()[2] != "0.00"; })) << edges().join(' ').toStdString();
    EXPECT_EQ(edges()[0], "0.00");
    EXPECT_EQ(edges()[1], "1.00");
    QTest::mouseClick(whole, Qt::LeftButton);
    EXPECT_TRUE(whole->isChecked());
    EXPECT_FALSE(aspect->isChecked());
}

TEST_F(PanelController, SlidersAndBoxesWriteTheDriverAndApplyClosesOnlyWithTagZero)
{
    connectTablet();
    window().hide();
    controller().setHasActivePanel(true);
    ASSERT_TRUE(waitFor([&] { return window().windowOpacity() == 1.0; })); // the controls are in reach
    outlet<QSlider>("pressureSlider")->setValue(80);
    outlet<QSlider>("smoothingSlider")->setValue(7);
    outlet<QSlider>("penPressureDeadZoom")->setValue(12);
    // A check box takes clicks on its box and label only; its page must be shown.
    const auto tick = [&](const char* name, int page) {
        auto* selector = outlet<QTabBar>("segCtrl");
        QTest::mouseClick(selector, Qt::LeftButton, {}, selector->tabRect(page).center());
        auto* box = outlet<QAbstractButton>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    };
    tick("enableMouseButton", 3);
    tick("enableShortcutButton", 1);
    EXPECT_FLOAT_EQ(driver().pressureDamping(), 0.8f);
    EXPECT_EQ(driver().smoothingLevel(), 7);
    EXPECT_FLOAT_EQ(driver().pressureDeadZone(), 0.12f);
    EXPECT_EQ(driver().enableMouse(), 1);
    EXPECT_EQ(driver().enableShourtcut(), 0);
    EXPECT_FALSE(defaults_.objectForKey(DefaultsKeys::smoothing));

    QTest::mouseClick(outlet<QPushButton>("applyButton"), Qt::LeftButton); // tag 1
    EXPECT_EQ(defaults_.objectForKey(DefaultsKeys::smoothing), PlistValue(7));
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(controller().hasActivePanel());

    outlet<QSlider>("smoothingSlider")->setValue(2);
    QTest::mouseClick(outlet<QPushButton>("okButton"), Qt::LeftButton); // tag 0
    EXPECT_EQ(defaults_.objectForKey(DefaultsKeys::smoothing), PlistValue(2));
    EXPECT_FALSE(controller().hasActivePanel());
    EXPECT_TRUE(waitFor([&] { return !window().isVisible(); }));
}

// Connect and remove arrive on the driver's own thread. The window stays
// hidden: Qt paints shown windows on its own thread pool, which the thread
// checker cannot see into.
class PanelConcurrency : public PanelFixture {
protected:
    PanelConcurrency() { showWindow_ = false; }
};

TEST_F(PanelConcurrency, StatusAndPagesFollowTheTabletOnTheDriverThread)
{
    driver(true);
    auto* status = outlet<QLabel>("statusLabel");
    auto* pages = outlet<QStackedWidget>("tabView");
    auto* selector = outlet<QTabBar>("segCtrl");
    const auto pageControls = [&] {
        std::vector<QWidget*> controls;
        for (int i = 0; i < pages->count(); ++i)
            for (QWidget* w : pages->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                controls.push_back(w);
        return controls;
    };
    ASSERT_GT(pageControls().size(), 20u);
    EXPECT_EQ(status->text(), "The graphics tablet is disconnected");
    for (QWidget* w : pageControls()) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

    // The page selector does nothing while the tablet is away.
    QTest::mouseClick(selector, Qt::LeftButton, {}, selector->tabRect(0).center());
    EXPECT_EQ(pages->currentIndex(), 3);

    const int tablet = bus_->plugIn(BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID());
    ASSERT_TRUE(waitFor([&] { return status->text() == "The graphics tablet is connected..."; }));
    EXPECT_EQ(selector->currentIndex(), 3);
    for (QWidget* w : pageControls()) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    QTest::mouseClick(selector, Qt::LeftButton, {}, selector->tabRect(1).center());
    EXPECT_EQ(pages->currentIndex(), 1);

    bus_->unplug(tablet);
    ASSERT_TRUE(waitFor([&] { return status->text() == "The graphics tablet is disconnected"; }));
    EXPECT_EQ(selector->currentIndex(), 3);
    EXPECT_EQ(pages->currentIndex(), 1); // the page stays
    for (QWidget* w : pageControls()) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(PanelController, HardwareKeysSelectTheirShortcutAndOpenTipsOnlyForTheFiveKeys)
{
    connectTablet();
    auto* shown = outlet<QPushButton>("showTabletShortcutButton");
    auto* picture = outlet<QLabel>("shortcutBgImageView");
    const auto title = [&](int key) {
        return QString::fromStdString(KeyMapInfo::shortkeyToChina(shortcuts_.readShortcutForCmd(key)));
    };
    EXPECT_EQ(shown->property("tag").toInt(), 0);
    EXPECT_EQ(shown->text(), title(0));
    EXPECT_EQ(outlet<QPushButton>("penDownButton")->text(), title(6));

    auto* key2 = outlet<HSButton>("shortcutSettingsButtonForTag2");
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(key2, &enter);
    EXPECT_EQ(shown->property("tag").toInt(), 2);
    EXPECT_EQ(shown->text(), title(2));
    EXPECT_EQ(picture->pixmap().toImage(), QPixmap(":/keyrow/keyrow-2@2x.png").toImage());
    controller().setTabletShortcut(outlet<QPushButton>("penUpButton")); // a pen button: no picture
    EXPECT_TRUE(picture->pixmap().isNull());

    // A click on a shortcut opens the editor on that key.
    auto* selector = outlet<QTabBar>("segCtrl");
    QTest::mouseClick(selector, Qt::LeftButton, {}, selector->tabRect(1).center());
    QTest::mouseClick(outlet<QPushButton>("penDownButton"), Qt::LeftButton);
    const auto editors = shownWindows<ShortcutSetting>();
    ASSERT_EQ(editors.size(), 1u);
    EXPECT_EQ(editors[0]->keyId(), 6);

    // "DownKey" from the driver thread: tips for keys 0-4 on the selected display.
    outlet<QComboBox>("displaysCombo")->setCurrentIndex(2); // all displays: tips on the main one
    for (int kid : {5, 4}) {
        std::thread([kid] { NotificationCenter::defaultCenter().postNotification("DownKey", nullptr, {{"kid", kid}}); })
            .join();
        drain();
    }
    const auto tips = shownWindows<ShowShoutcut>();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0]->screenSize(), screenSize(displays_.activeDisplays()[0]));
}

TEST_F(PanelConcurrency, PressureMeterShowsTheTruncatedPercentage)
{
    controller();
    std::thread([] {
        NotificationCenter::defaultCenter().postNotification(kUpdatePressureNotification, nullptr,
                                                             {{"pressure", 42.9}});
    }).join();
    drain();
    EXPECT_EQ(outlet<QProgressBar>("showPressureProgress")->value(), 42);
}

TEST_F(PanelController, TwoRoundsOfFlagsEachCloseThreeSecondsAfterTheyAppeared)
{
    connectTablet();
    auto* identify = outlet<QPushButton>("showMonitorFlagButton");
    QTest::mouseClick(identify, Qt::LeftButton);
    auto flags = shownWindows<MonitorFlag>();
    ASSERT_EQ(flags.size(), 2u);
    for (MonitorFlag* flag : flags) {
        const int n = flag->flagTextField()->text().toInt();
        ASSERT_TRUE(n == 1 || n == 2);
        const Rect display = screenSize(displays_.activeDisplays()[static_cast<size_t>(n - 1)]);
        EXPECT_EQ(WindowFrame::frame(flag).origin,
                  (Point{display.x() + display.width() / 2, display.y() + display.height() / 2}));
    }
    QTest::qWait(1500);
    QTest::mouseClick(identify, Qt::LeftButton);
    EXPECT_EQ(shownWindows<MonitorFlag>().size(), 4u);
    EXPECT_TRUE(waitFor([] { return shownWindows<MonitorFlag>().size() == 2; }, 2500));
    EXPECT_TRUE(waitFor([] { return shownWindows<MonitorFlag>().empty(); }, 2500));
}
