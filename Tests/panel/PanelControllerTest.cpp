// The settings panel's controls, display list and notification handlers,
// driven with real events on the real widgets.
#include "HSButton.h"
#include "KeyMapInfo.h"
#include "MonitorFlag.h"
#include "PanelFixture.h"
#include "ScreenAdditions.h"
#include "ShortcutSetting.h"
#include "ShowShoutcut.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStackedWidget>

#include <algorithm>
#include <thread>

namespace K = DefaultsKeys;

class PanelController : public PanelFixture {
protected:
    // Posted from a thread of its own, as the driver posts.
    static void post(const char* name, PlistValue::Dictionary info = {})
    {
        std::thread([&] { NotificationCenter::defaultCenter().postNotification(name, nullptr, info); }).join();
        drain();
    }
};

TEST_F(PanelController, DisplayRowsAndRotationBoxesFollowTheStoredSettingsAndAGoneDisplayGivesWay)
{
    LogCapture log;
    defaults_.setObject(5, K::displayId);
    defaults_.setObject(PlistValue::Array{400, 200, 400, 400}, K::screenArea); // on every main display below
    const std::tuple<std::vector<Rect>, QStringList, int> cases[] = {
        {{Rect(0, 0, 1920, 1080)}, {"Display1:W:1920:H:1080(Main)"}, 45}, // an angle of no box: none checked
        {{Rect(0, 0, 1366.9, 768.5), Rect(1366.9, 0, 1023.7, 767.9)},
         {"Display1:W:1366:H:768(Main)", "Display2:W:1023:H:767", "All screens:W:2390:H:768"}, 90},
        {{Rect(0, 0, 1920, 1080), Rect(1920, 0, 1280, 800)},
         {"Display1:W:1920:H:1080(Main)", "Display2:W:1280:H:800", "All screens:W:3200:H:1080"}, 180},
    };
    for (const auto& [layout, expected, rotation] : cases) {
        displays_.setLayout(layout);
        defaults_.setObject(rotation, K::rotation);
        panel_.reset();
        driver_.reset();
        QStringList rows;
        for (auto* combo = outlet<QComboBox>("displaysCombo"); rows.size() < combo->count();)
            rows << combo->itemText(static_cast<int>(rows.size()));
        EXPECT_EQ(rows, expected);
        for (int angle : {0, 90, 180, 270})
            EXPECT_EQ(outlet<QRadioButton>(("rotation" + std::to_string(angle) + "CheckBox").c_str())->isChecked(),
                      rotation == angle);
    }
    EXPECT_TRUE(log.contains("] [-warn-] stored display 5 is not attached"));
    EXPECT_EQ(std::tuple(outlet<QComboBox>("displaysCombo")->currentIndex(), driver().displayId(),
                         screens_->targetScreen()),
              std::tuple(0, 0, displays_.activeDisplays()[0]));
    QTest::qWait(50); // the map view has drawn and written the area back
    EXPECT_EQ(driver().screenArea(), Rect(400, 200, 400, 400)); // kept: it lies on that display
}

TEST_F(PanelController, TheUsersChoiceAndTheMonitorKeyMoveTheMappingFlagsNameTheDisplaysABoxTurnsTheTablet)
{
    defaults_.setObject(1, K::displayId); // the stored area is the main display's, not on this one
    connectTablet();
    auto* combo = outlet<QComboBox>("displaysCombo");
    const auto ids = displays_.activeDisplays();
    // The row, the driver's display and area, the screen manager's target.
    const auto mapping = [&] {
        return std::tuple(combo->currentIndex(), driver().displayId(), driver().screenArea(), screens_->targetScreen());
    };
    const auto row = [&](int r) {
        return r < 2 ? std::tuple(r, r, screenSize(ids[r]), ids[r]) : std::tuple(2, 2, allScreenSize(), DisplayID(0));
    };
    EXPECT_EQ(mapping(), row(1)); // listing three rows did not move it to the last
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(mapping(), row(2)); // all displays: their bounds, no single target
    for (int r : {0, 1, 0}) { // the monitor key goes through the single displays only
        post("Monitor");
        EXPECT_EQ(mapping(), row(r));
    }
    // The flags that name the displays: numbered, at the centre of their display, for three seconds.
    click("showMonitorFlagButton");
    const auto flags = shownWindows<MonitorFlag>();
    ASSERT_EQ(flags.size(), 2u);
    for (MonitorFlag* flag : flags) {
        const Rect display = screenSize(ids.at(flag->flagTextField()->text().toUInt() - 1));
        EXPECT_EQ(WindowFrame::frame(flag).origin,
                  (Point{display.x() + display.width() / 2, display.y() + display.height() / 2}));
    }
    QTest::qWait(2000);
    EXPECT_EQ(shownWindows<MonitorFlag>().size(), 2u);
    EXPECT_TRUE(waitFor([] { return shownWindows<MonitorFlag>().empty(); }, 2500));
    // A rotation box turns the driver and the screen manager; the others go off.
    click("rotation270CheckBox");
    EXPECT_EQ(std::tuple(driver().tabletRotation(), screens_->rotation(),
                         outlet<QRadioButton>("rotation0CheckBox")->isChecked()),
              std::tuple(270, 270, false));
    displays_.setLayout({Rect(0, 0, 1920, 1080)});
    post("Monitor");
    EXPECT_EQ(std::pair(combo->currentIndex(), combo->count()), std::pair(0, 1));
}

TEST_F(PanelController, TheControlsWriteTheDriverAndOnlyOkClosesThePanel)
{
    connectTablet();
    driver().setCursorOffset({3, 4});
    const std::pair<const char*, Point> clicks[] = {{"cursorUpButton", {3, 3}},   {"cursorRightButton", {4, 3}},
                                                    {"cursorDownButton", {4, 4}}, {"cursorLeftButton", {3, 4}},
                                                    {"cursorResetButton", {0, 0}}};
    for (const auto& [button, offset] : clicks) {
        click(button);
        EXPECT_EQ(driver().cursorOffset(), offset) << button;
    }
    // A held arrow repeats every 0.3 s until it is released; a key that is no
    // arrow moves as the last one did, once.
    driver().setCursorOffset({0, 0});
    QTest::keyPress(&window(), Qt::Key_Left);
    EXPECT_EQ(driver().cursorOffset(), (Point{-1, 0}));
    QTest::qWait(700);
    const Point held = driver().cursorOffset();
    EXPECT_LE(held.x, -2);
    QTest::keyRelease(&window(), Qt::Key_Left);
    QTest::qWait(400);
    EXPECT_EQ(driver().cursorOffset(), held);
    QTest::keyClick(&window(), Qt::Key_A);
    QTest::qWait(400);
    const Point moved{held.x - 1, 0};
    EXPECT_EQ(driver().cursorOffset(), moved);
    EXPECT_EQ(outlet<QLabel>("cursorLabel")->text(), QString::asprintf("Offset %.0f,0", moved.x)); // the label follows

    // The map's page: the edge fields show the whole tablet, then the area
    // the aspect buttons make; the two buttons switch each other off.
    showPage(0);
    const auto edges = [&] {
        QStringList texts;
        for (const char* field : {"leftOffsetText", "rightOffsetText", "upOffsetText", "downOffsetText"})
            texts << outlet<QLineEdit>(field)->text();
        return texts.join(' ').toStdString();
    };
    auto* whole = outlet<QPushButton>("applyFullTabletButton");
    auto* aspect = outlet<QPushButton>("applyForceTabletButton");
    EXPECT_TRUE(waitFor([&] { return edges() == "0.00 1.00 0.00 1.00"; })) << edges();
    click("applyFullTabletButton");
    click("applyForceTabletButton");
    EXPECT_TRUE(aspect->isChecked() && !whole->isChecked());
    // 16:9 on a 3:2 tablet: the full width, less than the full height.
    EXPECT_TRUE(waitFor([&] { return edges() == "0.00 1.00 0.08 0.95"; })) << edges();
    click("applyFullTabletButton");
    EXPECT_TRUE(whole->isChecked() && !aspect->isChecked());

    // Return in an edge field applies the edges and moves no cursor.
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    auto* field = outlet<QLineEdit>("upOffsetText");
    field->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), field);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(driver().cursorOffset(), moved);

    // The sliders and boxes write the driver; Apply stores, and only OK (tag 0) closes too.
    controller().setHasActivePanel(true);
    ASSERT_TRUE(settled()); // the controls are in reach
    outlet<QSlider>("pressureSlider")->setValue(80);
    outlet<QSlider>("smoothingSlider")->setValue(7);
    outlet<QSlider>("penPressureDeadZoom")->setValue(12);
    // A check box takes clicks on its box and label only; its page must be shown.
    for (const auto& [name, page] : {std::pair{"enableMouseButton", 3}, {"enableShortcutButton", 1}}) {
        showPage(page);
        auto* box = outlet<QAbstractButton>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    BTDriverManager& d = driver();
    EXPECT_EQ(std::tuple(d.pressureDamping(), d.smoothingLevel(), d.pressureDeadZone(), d.enableMouse(),
                         d.enableShourtcut()),
              std::tuple(0.8f, 7, 0.12f, char(1), char(0)));
    EXPECT_FALSE(defaults_.objectForKey(K::smoothing));
    click("applyButton"); // tag 1
    EXPECT_EQ(defaults_.objectForKey(K::smoothing), PlistValue(7));
    EXPECT_TRUE(window().isVisible() && controller().hasActivePanel());
    outlet<QSlider>("smoothingSlider")->setValue(2);
    click("okButton"); // tag 0
    EXPECT_EQ(defaults_.objectForKey(K::smoothing), PlistValue(2));
    EXPECT_FALSE(controller().hasActivePanel());
    EXPECT_TRUE(waitFor([&] { return !window().isVisible(); }));
}

TEST_F(PanelController, HardwareKeysSelectTheirShortcutAndOpenTipsOnlyForTheFiveKeys)
{
    connectTablet();
    auto* shown = outlet<QPushButton>("showTabletShortcutButton");
    auto* picture = outlet<QLabel>("shortcutBgImageView");
    // The key shown and its title, and the pen button's title, against what the store holds.
    const auto titles = [&] {
        return std::tuple(shown->property("tag").toInt(), shown->text(), outlet<QPushButton>("penDownButton")->text());
    };
    const auto title = [&](int key) {
        return QString::fromStdString(KeyMapInfo::shortkeyToChina(shortcuts_.readShortcutForCmd(key)));
    };
    EXPECT_EQ(titles(), std::tuple(0, title(0), title(6)));
    // Pointing at a key's button selects it and hides the others' pictures but
    // not their hover flags: a later redraw shows them again. The buttons of
    // earlier tests' panels, gone now, are passed over.
    auto* key0 = outlet<HSButton>("shortcutSettingsButtonForTag0");
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(outlet<HSButton>("shortcutSettingsButtonForTag2"), &enter);
    EXPECT_EQ(titles(), std::tuple(2, title(2), title(6)));
    EXPECT_EQ(picture->pixmap().toImage(), QPixmap(":/keyrow/keyrow-2@2x.png").toImage());
    EXPECT_EQ(std::pair(key0->hover(), key0->alphaValue()), std::pair(true, 0.0));
    const QImage hidden = key0->grab().toImage();
    EXPECT_NE(key0->grab().toImage(), hidden);
    controller().setTabletShortcut(outlet<QPushButton>("penUpButton")); // a pen button: no picture
    EXPECT_TRUE(picture->pixmap().isNull());

    // A click on a shortcut opens the editor on that key.
    showPage(1);
    click("penDownButton");
    EXPECT_EQ(shownWindows<ShortcutSetting>().at(0)->keyId(), 6);
    // "DownKey" from the driver thread: tips for keys 0-4 on the selected display.
    outlet<QComboBox>("displaysCombo")->setCurrentIndex(2); // all displays: tips on the main one
    for (int kid : {5, 4}) post("DownKey", {{"kid", kid}});
    ASSERT_EQ(shownWindows<ShowShoutcut>().size(), 1u); // none for key 5
    EXPECT_EQ(shownWindows<ShowShoutcut>()[0]->screenSize(), screenSize(displays_.activeDisplays()[0]));
}

// Connect and remove arrive on the driver's own thread. The window stays
// hidden: Qt paints shown windows on its own thread pool, which the thread
// checker cannot see into.
TEST_F(PanelController, Concurrency_StatusPagesAndPressureFollowTheDriverThread)
{
    showWindow_ = false;
    driver(true);
    auto* meter = outlet<QProgressBar>("showPressureProgress");
    post(kUpdatePressureNotification, {{"pressure", 42.9}});
    EXPECT_EQ(meter->value(), 42); // truncated
    auto* status = outlet<QLabel>("statusLabel");
    auto* pages = outlet<QStackedWidget>("tabView");
    std::vector<QWidget*> controls; // every page's
    for (int i = 0; i < pages->count(); ++i)
        for (QWidget* w : pages->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) controls.push_back(w);
    ASSERT_GT(controls.size(), 20u);
    // The status line, the page selector's segment and page, and how many controls are enabled.
    const auto state = [&] {
        return std::tuple(status->text(), outlet<QTabBar>("segCtrl")->currentIndex(), pages->currentIndex(),
                          std::ranges::count_if(controls, &QWidget::isEnabled));
    };
    const QString away = "The graphics tablet is disconnected";
    showPage(0); // the page selector does nothing while the tablet is away
    EXPECT_EQ(state(), std::tuple(away, 0, 3, 0));

    const int tablet = bus_->plugIn(BTDriverManager::tabletVendorID(), BTDriverManager::tabletProductID());
    ASSERT_TRUE(waitFor([&] { return status->text() != away; }));
    EXPECT_EQ(state(), std::tuple(QString("The graphics tablet is connected..."), 3, 3, std::ssize(controls)));
    showPage(1);
    EXPECT_EQ(pages->currentIndex(), 1);
    EXPECT_EQ(outlet("refreshButton")->cursor().shape(), Qt::PointingHandCursor); // links show a hand

    bus_->unplug(tablet);
    ASSERT_TRUE(waitFor([&] { return status->text() == away; }));
    EXPECT_EQ(state(), std::tuple(away, 3, 1, 0)); // the page stays
}
