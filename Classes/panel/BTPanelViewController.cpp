// Set-up, the controls' actions and the cursor offset.
#include "BTPanelViewController.h"

#include "BTBackgroundView.h"
#include "BTCustomCursorButton.h"
#include "BTDriverManager.h"
#include "BTMonitorView.h"
#include "BTPanelView.h"
#include "BTScreenManager.h"
#include "BTTestPadView.h"
#include "Configure.h"
#include "HSButton.h"
#include "KeyMapInfo.h"
#include "OnlyIntegerValueFormatter.h"
#include "ShortcutSetting.h"
#include "SystemLog.h"
#include "UserDefaults.h"
#include "ui_Panel.h"

#include <QAbstractAnimation>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QPixmap>
#include <QSignalBlocker>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cmath>

// The key-row pictures live in the shortcut windows' resources.
static void initKeyRowPictures()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(shortcuts);
        return true;
    }();
    (void)loaded;
}

namespace {

int tagOf(const QObject* control)
{
    return control ? control->property("tag").toInt() : 0;
}

// The two float sliders move in hundredths of the driver's value.
constexpr float kSliderSteps = 100.0f;

float floatValue(const QSlider* slider)
{
    return static_cast<float>(slider->value()) / kSliderSteps;
}

void setFloatValue(QSlider* slider, float value)
{
    slider->setValue(static_cast<int>(std::lround(value * kSliderSteps)));
}

// The key row at twice its size: the drawing made for that size, shown one
// pixel per point.
QPixmap keyRowPicture(int key)
{
    QPixmap picture(QStringLiteral(":/keyrow/keyrow-%1@2x.png").arg(key));
    picture.setDevicePixelRatio(1.0);
    return picture;
}

QString offsetText(double value)
{
    return QString::asprintf("%0.2f", value);
}

} // namespace

BTPanelViewController::BTPanelViewController(PanelControllerDelegate* delegate)
    : BTPanelViewController(delegate, Services{})
{
}

BTPanelViewController::BTPanelViewController(PanelControllerDelegate* delegate, Services services)
    : delegate_(delegate), services_(services), alive_(std::make_shared<int>(0))
{
    keyboardModifiers_ = [] { return QGuiApplication::queryKeyboardModifiers(); };
    // The callbacks run on the posting thread, possibly while this controller
    // is going away on the main thread: they read nothing of it there and
    // hand the work to the main queue with their own copy of the token.
    const std::weak_ptr<int> alive = alive_;
    const auto later = [alive](std::function<void()> fn) { runWhileAlive(alive, std::move(fn)); };
    observe(BTDriverManagerDidChangeStatus,
            [this, later](const Notification&) { later([this] { updateDriverStatus(); }); });
    observe("Monitor", [this, later](const Notification&) { later([this] { selectNextDisplay(); }); });
    // Posted by the shortcut editor on the main thread, where it runs at once.
    observe("UpdateSettings", [this, later](const Notification&) {
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            updateSettings();
        else
            later([this] { updateSettings(); });
    });
    observe("DownKey", [this, later](const Notification& note) {
        if (const auto key = tipsKey(note)) later([this, key = *key] { openShortcutTips(key); });
    });
    observe(kUpdatePressureNotification, [this, later](const Notification& note) {
        if (const auto percent = pressurePercent(note)) later([this, p = *percent] { showPressurePercent(p); });
    });
    // A display plugged in or out changes the display list.
    const auto displaysChanged = [this, later](const Notification&) { later([this] { reloadDisplayList(); }); };
    observe(kScreenParametersDidChange, displaysChanged);
    observe(BTScreenManagerDidChangeScreenDetails, displaysChanged);
}

BTPanelViewController::~BTPanelViewController()
{
    observers_.clear();
    alive_.reset();
    cursorUpdateTimer_.reset();
    orderOutTimer_.reset();
    delete animation_.data();
    delete window_;
}

BTDriverManager& BTPanelViewController::driver() const
{
    return services_.driver ? *services_.driver : BTDriverManager::shared();
}

BTScreenManager& BTPanelViewController::screens() const
{
    return services_.screens ? *services_.screens : BTScreenManager::shared();
}

Configure& BTPanelViewController::shortcuts() const
{
    return services_.shortcuts ? *services_.shortcuts : Configure::instance();
}

UserDefaults& BTPanelViewController::defaults() const
{
    return services_.defaults ? *services_.defaults : UserDefaults::standardUserDefaults();
}

BTPanelView* BTPanelViewController::window()
{
    if (!window_) {
        initKeyRowPictures();
        window_ = new BTPanelView;
        ui_ = std::make_unique<Ui::Panel>();
        ui_->setupUi(window_);
        awakeFromNib();
    }
    return window_;
}

void BTPanelViewController::awakeFromNib()
{
    Ui::Panel& ui = *ui_;
    // The map view reads and edits the areas in the driver's record directly.
    ui.monitorView->_tabletSettings = &driver()._vexloSettings;
    ui.monitorView->setDriver(&driver());
    ui.monitorView->_updateTabletOffset = [this](const Rect& r) {
        ui_->leftOffsetText->setText(offsetText(r.x()));
        ui_->rightOffsetText->setText(offsetText(r.width()));
        ui_->upOffsetText->setText(offsetText(r.y()));
        ui_->downOffsetText->setText(offsetText(r.height()));
    };
    ui.monitorView->installEventFilter(this);

    // The panel comes and goes with the tray icon; closing it must not end the program.
    window_->setAttribute(Qt::WA_QuitOnClose, false);
    window_->resize(window_->width(), static_cast<int>(kPanelHeight));
    window_->keyDown = [this](QKeyEvent* event) { keyDown(event); };
    window_->keyUp = [this](QKeyEvent* event) { keyUp(event); };
    window_->cancelOperation = [this] { cancelOperation(); };
    window_->windowWillClose = [this] { windowWillClose(); };
    window_->windowDidResize = [this] { windowDidResize(); };

    // The page selector: one segment per page, titled by the page.
    for (int i = 0; i < ui.tabView->count(); ++i) ui.segCtrl->addTab(ui.tabView->widget(i)->windowTitle());
    ui.segCtrl->setCurrentIndex(ui.tabView->currentIndex());

    connectActions();
    updateDriverStatus(); // already on the main thread: no need to wait for the queue

    for (BTCustomCursorButton* link : {ui.creditButton, ui.githubLinkButton, ui.refreshButton})
        link->setCursor(Qt::PointingHandCursor);

    auto* formatter = new OnlyIntegerValueFormatter(window_);
    for (QLineEdit* field : {ui.leftOffsetText, ui.rightOffsetText, ui.upOffsetText, ui.downOffsetText})
        field->setValidator(formatter);

    ui.versionInfoButton->setText(QStringLiteral("Driver Version:%1").arg(QStringLiteral(BREVOLA_VERSION)));
    initConfig();
}

void BTPanelViewController::connectActions()
{
    Ui::Panel& ui = *ui_;
    using Action = void (BTPanelViewController::*)(QObject*);
    const auto onClick = [this](QAbstractButton* control, Action action) {
        connect(control, &QAbstractButton::clicked, this, [this, control, action] { (this->*action)(control); });
    };
    const auto onSlide = [this](QSlider* control, Action action) {
        connect(control, &QSlider::valueChanged, this, [this, control, action] { (this->*action)(control); });
    };
    onSlide(ui.pressureSlider, &BTPanelViewController::didChangePressureSlider);
    onSlide(ui.smoothingSlider, &BTPanelViewController::didChangeSmoothingSlider);
    onSlide(ui.penPressureDeadZoom, &BTPanelViewController::didChangeDeadZone);
    onClick(ui.enableMouseButton, &BTPanelViewController::setMouseMode);
    onClick(ui.enableShortcutButton, &BTPanelViewController::enableShortcutMode);
    for (QAbstractButton* box :
         {ui.rotation0CheckBox, ui.rotation90CheckBox, ui.rotation180CheckBox, ui.rotation270CheckBox})
        onClick(box, &BTPanelViewController::rotationCheckBox);
    onClick(ui.applyFullTabletButton, &BTPanelViewController::forceAspectButton);
    onClick(ui.applyForceTabletButton, &BTPanelViewController::forceAspectButton);
    onClick(ui.fullScreenButton, &BTPanelViewController::ResetFullScreenButtom);
    onClick(ui.applyOffsetButton, &BTPanelViewController::adjustTabletOffset);
    for (QLineEdit* field : {ui.leftOffsetText, ui.rightOffsetText, ui.upOffsetText, ui.downOffsetText})
        connect(field, &QLineEdit::returnPressed, this, [this, field] { adjustTabletOffset(field); });
    for (QAbstractButton* button :
         {ui.cursorUpButton, ui.cursorRightButton, ui.cursorDownButton, ui.cursorLeftButton, ui.cursorResetButton})
        onClick(button, &BTPanelViewController::didClickCusrorButton);
    onClick(ui.clearTestPadButton, &BTPanelViewController::didClickClearTestPad);
    onClick(ui.refreshButton, &BTPanelViewController::didClickRefresh);
    onClick(ui.quitButton, &BTPanelViewController::didClickQuit);
    onClick(ui.creditButton, &BTPanelViewController::didClickCompanyInfo);
    onClick(ui.githubLinkButton, &BTPanelViewController::didClickCompanyInfo);
    onClick(ui.improveSpeedButton, &BTPanelViewController::didClickImproveSpeed);
    onClick(ui.showMonitorFlagButton, &BTPanelViewController::showMonitorFlag);
    for (QAbstractButton* button : {ui.showTabletShortcutButton, ui.penUpButton, ui.penDownButton})
        onClick(button, &BTPanelViewController::showShortcutSettings);
    // Pointing at a key's button selects that key (the button clicks itself).
    for (QAbstractButton* button : {ui.shortcutSettingsButtonForTag0, ui.shortcutSettingsButtonForTag1,
                                    ui.shortcutSettingsButtonForTag2, ui.shortcutSettingsButtonForTag3,
                                    ui.shortcutSettingsButtonForTag4})
        onClick(button, &BTPanelViewController::setTabletShortcut);
    onClick(ui.applyButton, &BTPanelViewController::applySetting);
    onClick(ui.okButton, &BTPanelViewController::applySetting);
    onClick(ui.closeButton, &BTPanelViewController::closeWindows);
    onClick(ui.importButton, &BTPanelViewController::importSettings);
    onClick(ui.exportButton, &BTPanelViewController::exportSettings);
    onClick(ui.resetButton, &BTPanelViewController::defaultSettings);
    // Only the user's choices: the status handler moves the selection with signals blocked.
    connect(ui.segCtrl, &QTabBar::currentChanged, this, [this] { segmentedControlClick(ui_->segCtrl); });
    connect(ui.displaysCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        QComboBox* combo = ui_->displaysCombo;
        combo->setItemText(index, comboBox(combo, index));
        comboBoxSelectionDidChange();
    });
}

void BTPanelViewController::initConfig()
{
    Ui::Panel& ui = *ui_;
    BTDriverManager& d = driver();
    iniConfigStatus_ = false;
    {
        const QSignalBlocker pressure(ui.pressureSlider), smoothing(ui.smoothingSlider),
            deadZone(ui.penPressureDeadZoom);
        setFloatValue(ui.pressureSlider, d.pressureDamping());
        ui.smoothingSlider->setValue(d.smoothingLevel());
        setFloatValue(ui.penPressureDeadZoom, d.pressureDeadZone());
    }
    ui.enableMouseButton->setChecked(d.enableMouse() != 0);
    ui.enableShortcutButton->setChecked(d.enableShourtcut() != 0);

    // A stored angle that is none of the four leaves every box off.
    QRadioButton* const boxes[] = {ui.rotation0CheckBox, ui.rotation90CheckBox, ui.rotation180CheckBox,
                                   ui.rotation270CheckBox};
    for (QRadioButton* box : boxes) {
        box->setAutoExclusive(false);
        box->setChecked(false);
    }
    const int32_t rotation = d.tabletRotation();
    if (rotation == 0 || rotation == 90 || rotation == 180 || rotation == 270) {
        boxes[rotation / 90]->setChecked(true);
        ui.monitorView->initTabletRotate(rotation);
    }
    for (QRadioButton* box : boxes) box->setAutoExclusive(true);

    reloadDisplayList();
    selectDisplayRow(d.displayId());
    comboBox(ui.displaysCombo, ui.displaysCombo->currentIndex());
    comboBoxSelectionDidChange();

    ui.shortcutSettingsButtonForTag0->setHover(true);
    setTabletShortcut(ui.shortcutSettingsButtonForTag0);
    updateSettings();
    refreshOffsetFields();
    iniConfigStatus_ = true;
}

void BTPanelViewController::refreshOffsetFields()
{
    // The map view learns its areas when it draws; the fields follow then.
    offsetFieldsStale_ = true;
    ui_->monitorView->update();
}

bool BTPanelViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (offsetFieldsStale_ && ui_ && watched == ui_->monitorView && event->type() == QEvent::Paint) {
        offsetFieldsStale_ = false;
        // Queued: after this draw has placed the area.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (ui_->monitorView->_updateTabletOffset)
                    ui_->monitorView->_updateTabletOffset(ui_->monitorView->getTabletOffset());
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

// --- Actions ---------------------------------------------------------------

void BTPanelViewController::didChangePressureSlider(QObject*)
{
    driver().setPressureDamping(floatValue(ui_->pressureSlider));
}

void BTPanelViewController::didChangeSmoothingSlider(QObject*)
{
    driver().setSmoothingLevel(ui_->smoothingSlider->value());
}

void BTPanelViewController::didChangeDeadZone(QObject*)
{
    driver().setPressureDeadZone(floatValue(ui_->penPressureDeadZoom));
}

void BTPanelViewController::setMouseMode(QObject* sender)
{
    const auto* box = qobject_cast<QAbstractButton*>(sender);
    driver().setEnableMouse(box && box->isChecked() ? 1 : 0);
}

void BTPanelViewController::enableShortcutMode(QObject* sender)
{
    const auto* box = qobject_cast<QAbstractButton*>(sender);
    driver().setEnableShourtcut(box && box->isChecked() ? 1 : 0);
}

void BTPanelViewController::rotationCheckBox(QObject* sender)
{
    Ui::Panel& ui = *ui_;
    const QObject* const boxes[] = {ui.rotation0CheckBox, ui.rotation90CheckBox, ui.rotation180CheckBox,
                                    ui.rotation270CheckBox};
    int32_t angle = 0;
    for (int i = 0; i < 4; ++i) {
        if (sender != boxes[i]) continue;
        angle = 90 * i;
        ui.monitorView->setTabletRotate(angle);
    }
    driver().setTabletRotation(angle);
    refreshOffsetFields();
}

void BTPanelViewController::forceAspectButton(QObject* sender)
{
    if (tagOf(sender) == 1) {
        ui_->monitorView->setForceAspect(false);
        ui_->applyFullTabletButton->setChecked(false);
    } else {
        ui_->monitorView->setForceAspect(true);
        ui_->applyForceTabletButton->setChecked(false);
    }
    refreshOffsetFields();
}

void BTPanelViewController::ResetFullScreenButtom(QObject*)
{
    ui_->monitorView->setFullScreen();
}

void BTPanelViewController::adjustTabletOffset(QObject*)
{
    const double left = ui_->leftOffsetText->text().toFloat();
    const double right = ui_->rightOffsetText->text().toFloat();
    const double up = ui_->upOffsetText->text().toFloat();
    const double down = ui_->downOffsetText->text().toFloat();
    ui_->monitorView->adjustTabletOffset(Rect(left, up, right - left, down - up));
    refreshOffsetFields();
}

void BTPanelViewController::didClickCusrorButton(QObject* sender)
{
    updateCursorPositionWithIndex(tagOf(sender));
}

void BTPanelViewController::didClickClearTestPad(QObject*)
{
    ui_->testPadView->clearDisplay();
}

void BTPanelViewController::didClickRefresh(QObject*)
{
    driver().reinitialize();
}

void BTPanelViewController::didClickQuit(QObject*)
{
    // On the next turn of the loop, after this click has been handled.
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
}

void BTPanelViewController::didClickCompanyInfo(QObject*)
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kCompanyURL)));
}

void BTPanelViewController::showShortcutSettings(QObject* sender)
{
    // The editor is a window of its own that goes away when it closes.
    auto* editor = new ShortcutSetting(&shortcuts());
    editor->show();
    editor->setKeyId(tagOf(sender));
}

void BTPanelViewController::setTabletShortcut(QObject* sender)
{
    const int key = tagOf(sender);
    if (key >= 0 && key < 5)
        ui_->shortcutBgImageView->setPixmap(keyRowPicture(key));
    else
        ui_->shortcutBgImageView->clear();
    QPushButton* shown = ui_->showTabletShortcutButton;
    shown->setVisible(true);
    shown->setProperty("tag", key);
    shown->setText(QString::fromStdString(KeyMapInfo::shortkeyToChina(shortcuts().readShortcutForCmd(key))));
}

void BTPanelViewController::segmentedControlClick(QObject* sender)
{
    const auto* selector = qobject_cast<QTabBar*>(sender);
    if (!selector || !driver().isConnected()) return;
    ui_->tabView->setCurrentIndex(selector->currentIndex());
}

void BTPanelViewController::applySetting(QObject* sender)
{
    driver().saveSettings();
    if (tagOf(sender) == 0) window_->close();
}

void BTPanelViewController::closeWindows(QObject*)
{
    window_->close();
}

// --- Cursor offset -----------------------------------------------------------

void BTPanelViewController::updateCursorPositionWithIndex(int32_t code)
{
    static const char* const method = "-[BTPanelViewController updateCursorPositionWithIndex:]";
    Point offset = driver().cursorOffset();
    switch (code) {
    case 1:
        BTLogInfo(method, "moving cursor up");
        offset.y -= 1;
        break;
    case 2:
        BTLogInfo(method, "moving cursor right");
        offset.x += 1;
        break;
    case 3:
        BTLogInfo(method, "moving cursor down");
        offset.y += 1;
        break;
    case 4:
        BTLogInfo(method, "moving cursor left");
        offset.x -= 1;
        break;
    case 5:
        offset = Point{0, 0};
        break;
    default:
        break;
    }
    driver().setCursorOffset(offset);
}

void BTPanelViewController::keyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        cursorMoveAction_ = 4;
        break;
    case Qt::Key_Right:
        cursorMoveAction_ = 2;
        break;
    case Qt::Key_Down:
        cursorMoveAction_ = 3;
        break;
    case Qt::Key_Up:
        cursorMoveAction_ = 1;
        break;
    default:
        break; // the last move repeats
    }
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(kCursorRepeatMs);
    connect(timer.get(), &QTimer::timeout, this, [this] { updateCursorPositionWithIndex(cursorMoveAction_); });
    timer->start();
    setCursorUpdateTimer(std::move(timer));
    updateCursorPositionWithIndex(cursorMoveAction_);
}

void BTPanelViewController::keyUp(QKeyEvent*)
{
    setCursorUpdateTimer(nullptr);
}

void BTPanelViewController::setCursorUpdateTimer(std::unique_ptr<QTimer> timer)
{
    if (cursorUpdateTimer_) cursorUpdateTimer_->stop();
    cursorUpdateTimer_ = std::move(timer);
}
