#pragma once
// The application: at launch the login item, the single-instance check, the
// process's driver and the tray icon's controller; the settings panel's
// controller on first use; the icon's active flag kept equal to the panel's;
// the icon's click rule; an orderly end.
#include "BTPanelViewController.h"
#include "PanelControllerDelegate.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class BTDriverManager;
class BTMenubarController;
class BTStatusItemView;
class QMenu;
class ReportRecorder;
class SingleInstance;

class BTAppDelegate : public QObject, public PanelControllerDelegate {
    Q_OBJECT
public:
    struct Options {
        // Base path of the single-instance lock and socket; empty: the user's.
        QString instancePath;
        // Folder of the autostart entry; empty: the user's.
        QString autostartFolder;
        // The program the autostart entry starts; empty: this one.
        QString programPath;
        // The driver to create; empty: the process's, over the Linux backends.
        std::function<BTDriverManager&()> driver;
        // What the panel works on besides that driver; null members: the process's.
        BTPanelViewController::Services panel;
        // Where the tablet's reports are recorded; empty: nowhere.
        QString recordPath;
    };

    explicit BTAppDelegate(Options options = {});
    ~BTAppDelegate() override;

    // The application's delegate (the last one created and not yet destroyed).
    static BTAppDelegate* shard();

    // Launch: login item, single instance, driver, tray icon; then, once the
    // event loop runs, applicationDidBecomeActive. False when this process is
    // to end at once with exitCode(): another instance runs (0, after telling
    // it to open its panel), or the instance check failed or the recording
    // cannot be written (1).
    bool applicationDidFinishLaunching();
    int exitCode() const { return exitCode_; }

    // Opens the panel when the icon is not active, without setting the
    // panel's flag: once at launch, and when the program is started again.
    void applicationDidBecomeActive();

    // Created on first use.
    BTPanelViewController* panelController();
    BTMenubarController* menubarController() const { return menubarController_.get(); }
    // The icon's context menu: open the settings, quit.
    QMenu* menu() const { return menu_.get(); }
    bool notFirstShow() const { return notFirstShow_; }

    // The icon's action.
    Q_INVOKABLE void togglePanel(QObject* sender);
    BTStatusItemView* statusItemViewForPanelController(BTPanelViewController* controller) override;

    // At quit: stops the driver's thread, closes the recording and removes the tray icon.
    void applicationShouldTerminate();

private:
    void keepIconWithPanel();
    void openSettings();

    Options options_;
    bool notFirstShow_ = false;
    int exitCode_ = 0;
    BTDriverManager* driver_ = nullptr;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<ReportRecorder> recorder_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<BTMenubarController> menubarController_;
    std::unique_ptr<BTPanelViewController> panelController_;
};
