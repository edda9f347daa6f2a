#pragma once
// The settings panel's controller: loads the panel window from its Designer
// layout, fills the controls from the driver, writes every change straight
// into the driver and reflects driver events back; places the panel under
// the tray icon's reference rectangle and animates it in and out.
//
// Split by concern: set-up and actions here, the display list and the
// notification handlers in +Displays and +Notifications, import, export and
// reset in +Transfer, the priority boost in +Boost, placement and animation
// in +Placement.
#include "Geometry.h"
#include "NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BTDriverManager;
class BTPanelView;
class BTScreenManager;
class Configure;
class PanelControllerDelegate;
class QAbstractAnimation;
class QComboBox;
class QKeyEvent;
class QMessageBox;
class QObject;
class QTimer;
class UserDefaults;
namespace Ui {
class Panel;
}

class BTPanelViewController : public QObject {
    Q_OBJECT
public:
    // What the panel works on; a null member means the process's own.
    struct Services {
        BTDriverManager* driver = nullptr;
        BTScreenManager* screens = nullptr;
        Configure* shortcuts = nullptr;
        UserDefaults* defaults = nullptr; // the store the driver and the shortcuts use
    };

    explicit BTPanelViewController(PanelControllerDelegate* delegate);
    BTPanelViewController(PanelControllerDelegate* delegate, Services services);
    ~BTPanelViewController() override;

    // The panel window, loaded (and its controls filled) on first use.
    BTPanelView* window();
    bool isWindowLoaded() const { return window_ != nullptr; }
    PanelControllerDelegate* delegate() const { return delegate_; }

    // Whether the panel was last asked to be open. Setting a new value opens
    // or closes the panel and emits hasActivePanelChanged; the same value does nothing.
    bool hasActivePanel() const;
    void setHasActivePanel(bool active);
    void openPanel();
    void closePanel();

    // --- Set-up ---------------------------------------------------------
    // Loads every control from the driver (again after an import or a reset).
    void initConfig();
    // False while initConfig runs: the display list then leaves the screen area alone.
    bool iniConfigStatus() const { return iniConfigStatus_; }

    // --- Actions (each takes the control that sent it) -----------------
    void didChangePressureSlider(QObject* sender);
    void didChangeSmoothingSlider(QObject* sender);
    void didChangeDeadZone(QObject* sender);
    void setMouseMode(QObject* sender);
    void enableShortcutMode(QObject* sender);
    void rotationCheckBox(QObject* sender);
    void forceAspectButton(QObject* sender);
    void ResetFullScreenButtom(QObject* sender);
    void adjustTabletOffset(QObject* sender);
    void didClickCusrorButton(QObject* sender);
    void didClickClearTestPad(QObject* sender);
    void didClickRefresh(QObject* sender);
    void didClickQuit(QObject* sender);
    void didClickCompanyInfo(QObject* sender);
    void didClickImproveSpeed(QObject* sender);
    void showMonitorFlag(QObject* sender);
    void showShortcutSettings(QObject* sender);
    void setTabletShortcut(QObject* sender);
    void segmentedControlClick(QObject* sender);
    void applySetting(QObject* sender);
    void closeWindows(QObject* sender);
    void importSettings(QObject* sender);
    void exportSettings(QObject* sender);
    void defaultSettings(QObject* sender);

    // --- Display list ---------------------------------------------------
    // Rows: one per display, plus one for all displays when there are two or more.
    int numberOfItemsInComboBox(QComboBox* combo) const;
    // The text of a row; for the row being selected it also points the driver
    // at that row (display id, and after start-up the screen area).
    QString comboBox(QComboBox* combo, int index);
    void comboBoxSelectionDidChange();
    // The text of row i of n displays, with nothing applied.
    static QString displayRowText(int index, int displayCount);

    // --- Cursor offset ----------------------------------------------------
    // 1 up, 2 right, 3 down, 4 left, 5 back to 0,0; other codes keep the offset.
    void updateCursorPositionWithIndex(int32_t code);
    void keyDown(QKeyEvent* event);
    void keyUp(QKeyEvent* event);
    int32_t cursorMoveAction() const { return cursorMoveAction_; }
    static constexpr int kCursorRepeatMs = 300;

    // --- Notification handlers ---------------------------------------------
    // Each may be called on any thread while the controller lives; the
    // interface work hops to the main queue. updateSettings runs on the main thread.
    void didChangeDriverStatus();
    void didChangeMonitor();
    void updateSettings();
    void showShortcutTips(const Notification& note);
    void showPressure(const Notification& note);
    // The key a "DownKey" opens tips for (0-4), and the percentage of an "updatePressure".
    static std::optional<int32_t> tipsKey(const Notification& note);
    static std::optional<int> pressurePercent(const Notification& note);

    // --- Import and export ---------------------------------------------------
    // The steps after the dialogs: true when the file held settings and they
    // are now in effect; false (nothing changed, an alert shown) otherwise.
    bool importSettingsFromFile(const std::string& path);
    // True when the whole defaults view was written; false leaves no file.
    bool exportSettingsToFile(const std::string& path);

    // --- Priority boost -----------------------------------------------------
    static constexpr const char* kReniceTool = "/usr/bin/renice";
    // renice's arguments for these thread ids: -n -20 -p id...
    static std::vector<std::string> reniceArguments(const std::vector<long>& threadIds);
    // Every thread of this process, from /proc/self/task, in ascending order.
    static std::vector<long> processThreadIds();

    // --- Placement (window-system coordinates: origin bottom-left of the main
    // display, y up) --------------------------------------------------------
    static constexpr double kPanelWidth = 681;
    static constexpr double kPanelHeight = 571;
    static constexpr double kHalfPanelWidth = 340.5;
    static constexpr double kRightMargin = 8;
    static constexpr double kFallbackItemWidth = 24;
    // No tray icon to measure: a bar this thick is assumed.
    static constexpr double kFallbackBarThickness = 22;
    static constexpr int kOpenMs = 150;
    static constexpr int kSlowOpenMs = 1500;
    static constexpr int kCloseFadeMs = 100;
    static constexpr int kOrderOutMs = 200;

    // A status-item-sized rectangle centred at the top of a display frame, one
    // item height below its top edge.
    static Rect statusRect(const Rect& screen, Size item);
    // The panel's open frame under a reference rectangle, kept 8 points inside
    // the display's right edge.
    static Rect panelFrame(const Rect& screen, const Rect& status);
    // The arrow's x in the panel: under the reference rectangle's centre.
    static int64_t arrowPosition(const Rect& status, const Rect& panel);
    // 1.5 s with Shift alone or Shift and Alt held, else 0.15 s.
    static int openDurationMs(Qt::KeyboardModifiers modifiers);
    // The frame of the display at the selected row (the all-displays row and
    // no selection mean display 0); the zero rectangle with no display.
    Rect selectedScreenFrame() const;
    Rect statusRectForWindow(BTPanelView* window) const;
    void windowDidResize();
    void windowWillClose();
    void cancelOperation();
    // Where the modifiers held at a click are read; Qt's query by default.
    void setKeyboardModifiersSource(std::function<Qt::KeyboardModifiers()> source);

    static constexpr const char* kCompanyURL = "https://www.qorn.sr/brevola/";

signals:
    void hasActivePanelChanged(bool active);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BTDriverManager& driver() const;
    BTScreenManager& screens() const;
    Configure& shortcuts() const;
    UserDefaults& defaults() const;

    void awakeFromNib();
    void connectActions();
    void reloadDisplayList();
    void applyDisplayRow(int index);
    void selectDisplayRow(int row);
    int selectedDisplayRow() const;
    void updateDriverStatus();
    void selectNextDisplay();
    void openShortcutTips(int32_t key);
    void showPressurePercent(int percent);
    void setCursorUpdateTimer(std::unique_ptr<QTimer> timer);
    // Runs fn on the main queue if the token's controller is still alive then.
    static void runWhileAlive(std::weak_ptr<int> alive, std::function<void()> fn);
    void onMainQueue(std::function<void()> fn);
    void observe(const char* name, NotificationCenter::Callback callback);
    QMessageBox* alert(const QString& text, const QStringList& buttons, std::function<void(int response)> done);
    void reloadAfterClear();
    // The offset fields show the map view's tablet area after its next draw.
    void refreshOffsetFields();

    PanelControllerDelegate* delegate_ = nullptr;
    Services services_;
    BTPanelView* window_ = nullptr; // owned; deleted with the controller
    std::unique_ptr<Ui::Panel> ui_;
    bool iniConfigStatus_ = false;
    bool hasActivePanel_ = false;
    std::unique_ptr<QTimer> cursorUpdateTimer_;
    int32_t cursorMoveAction_ = 0;
    bool offsetFieldsStale_ = true;
    std::unique_ptr<QTimer> orderOutTimer_;
    QPointer<QAbstractAnimation> animation_; // the running open or close animation
    std::function<Qt::KeyboardModifiers()> keyboardModifiers_;
    std::shared_ptr<int> alive_; // main-queue work runs only while it lives
    std::vector<ScopedObserver> observers_;
};
