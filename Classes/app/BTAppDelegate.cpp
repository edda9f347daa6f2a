#include "BTAppDelegate.h"

#include "BTDriverManager.h"
#include "BTMenubarController.h"
#include "BTPanelViewController.h"
#include "BTStatusItemView.h"
#include "LoginItem.h"
#include "ProcessServices.h"
#include "ReportRecorder.h"
#include "SingleInstance.h"
#include "SystemLog.h"

#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QTimer>

namespace {
BTAppDelegate* sharedDelegate = nullptr;
}

BTAppDelegate::BTAppDelegate(Options options) : options_(std::move(options)) { sharedDelegate = this; }

BTAppDelegate::~BTAppDelegate()
{
    applicationShouldTerminate();
    panelController_.reset();
    if (sharedDelegate == this) sharedDelegate = nullptr;
}

BTAppDelegate* BTAppDelegate::shard() { return sharedDelegate; }

bool BTAppDelegate::applicationDidFinishLaunching()
{
    // 1. Start at login.
    const QString program =
        options_.programPath.isEmpty() ? QCoreApplication::applicationFilePath() : options_.programPath;
    QString error;
    if (LoginItem(options_.autostartFolder).setEnabled(program, &error) == LoginItem::Result::Failed)
        BTLogWarn("-[BTAppDelegate applicationDidFinishLaunching:]", "cannot write the autostart entry: %s",
                  qUtf8Printable(error));

    // 2. One instance: a second start has the first open its panel and ends.
    instance_ = std::make_unique<SingleInstance>(options_.instancePath);
    switch (instance_->start(&error)) {
    case SingleInstance::Role::Primary: break;
    case SingleInstance::Role::Secondary:
        SystemLog::logPlain("brevola-driver: already running; its panel opens");
        exitCode_ = 0;
        return false;
    case SingleInstance::Role::Failed:
        SystemLog::logPlain("brevola-driver: %s", qUtf8Printable(error));
        exitCode_ = 1;
        return false;
    }
    connect(instance_.get(), &SingleInstance::activationRequested, this, &BTAppDelegate::applicationDidBecomeActive);

    // Only now, so that a second start never empties the first one's recording.
    if (!options_.recordPath.isEmpty()) {
        std::string recordError;
        recorder_ = ReportRecorder::create(options_.recordPath.toStdString(), recordError);
        if (!recorder_) {
            SystemLog::logPlain("brevola-driver: %s", recordError.c_str());
            exitCode_ = 1;
            return false;
        }
    }

    // 3. The driver: settings now, its thread 0.1 s after the loop starts.
    BTDriverManager& driver = options_.driver ? options_.driver() : [&]() -> BTDriverManager& {
        ProcessServices::install();
        return ProcessServices::driver();
    }();
    driver_ = &driver;
    SystemLog::logPlain("created driver manager <BTDriverManager: %p>", static_cast<void*>(driver_));
    if (recorder_) {
        driver.setReportRecorder(recorder_.get());
        SystemLog::logPlain("brevola-driver: recording the tablet's reports to %s", recorder_->path().c_str());
    }
    // Connection changes arrive on the thread of the HID callbacks; the icon
    // stores the flag there and redraws on the main queue.
    driver.setConnectionObserver([this](bool connected) {
        if (menubarController_) menubarController_->setIsConnect(connected);
    });

    // 4. The tray icon, with the menu tray users expect on its other button.
    menu_ = std::make_unique<QMenu>();
    menu_->addAction(QStringLiteral("Open Settings"), this, &BTAppDelegate::openSettings);
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Quit"), qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    menubarController_ = std::make_unique<BTMenubarController>(this);
    menubarController_->statusItemView()->setMenu(menu_.get());
    // The controller has registered the pictures; the panel and dialogs carry this one.
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/app/brevola-driver.png")));

    // The desktop gives a window-less application no activation at launch:
    // run it once the loop has started.
    QTimer::singleShot(0, this, &BTAppDelegate::applicationDidBecomeActive);
    return true;
}

void BTAppDelegate::applicationDidBecomeActive()
{
    if (!menubarController_ || !menubarController_->hasActiveIcon()) panelController()->openPanel();
}

BTPanelViewController* BTAppDelegate::panelController()
{
    if (!panelController_) {
        BTPanelViewController::Services services = options_.panel;
        if (!services.driver) services.driver = driver_;
        panelController_ = std::make_unique<BTPanelViewController>(this, services);
        connect(panelController_.get(), &BTPanelViewController::hasActivePanelChanged, this,
                &BTAppDelegate::keepIconWithPanel);
    }
    return panelController_.get();
}

void BTAppDelegate::keepIconWithPanel()
{
    if (menubarController_ && panelController_)
        menubarController_->setHasActiveIcon(panelController_->hasActivePanel());
}

void BTAppDelegate::togglePanel(QObject*)
{
    if (!menubarController_) return;
    const bool active = !menubarController_->hasActiveIcon();
    menubarController_->setHasActiveIcon(active);
    if (!notFirstShow_) {
        // The automatic first click: the panel keeps whatever launch showed,
        // and the icon goes back to the panel's flag.
        notFirstShow_ = true;
        panelController()->setHasActivePanel(false);
    } else {
        panelController()->setHasActivePanel(active);
    }
    // The panel tells of changes only; setting the same value still brings the icon in line.
    keepIconWithPanel();
}

void BTAppDelegate::openSettings()
{
    panelController()->setHasActivePanel(true);
    keepIconWithPanel();
}

BTStatusItemView* BTAppDelegate::statusItemViewForPanelController(BTPanelViewController*)
{
    if (!menubarController_) return nullptr;
    BTStatusItemView* view = menubarController_->statusItemView();
    view->setMenu(menu_.get());
    return view;
}

void BTAppDelegate::applicationShouldTerminate()
{
    // The thread goes first: it is the one that reaches the icon on a connection change.
    if (driver_) {
        driver_->stopDriverThread();
        driver_->setConnectionObserver({});
        driver_->setReportRecorder(nullptr);
        driver_ = nullptr;
    }
    if (recorder_) recorder_->close();
    menubarController_.reset();
    instance_.reset();
}

// Each class's meta-object in its own object file, so that a program linking
// one class from the static library does not need the others.
#include "moc_BTAppDelegate.cpp"
