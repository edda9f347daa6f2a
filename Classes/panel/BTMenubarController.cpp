#include "BTMenubarController.h"

#include "BTStatusItemView.h"
#include "SystemLog.h"

#include <QSystemTrayIcon>

#include <mutex>

// The icons live in the static interface library, which the linker would drop
// without this reference.
static void initAppResources()
{
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(app); });
}

BTMenubarController::BTMenubarController(QObject* parent) : QObject(parent)
{
    initAppResources();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        BTLogWarn("-[BTMenubarController init]",
                  "no system tray on this desktop: the icon shows when one appears; "
                  "starting the program again opens the panel");
    auto item = std::make_unique<QSystemTrayIcon>();
    item->setToolTip(QStringLiteral("Brevola Tablet Driver"));
    statusItemView_ = new BTStatusItemView(std::move(item), this);
    statusItemView_->setImage(QIcon(QStringLiteral(":/app/StatusHighlighted.png")));
    statusItemView_->setAlternateImage(QIcon(QStringLiteral(":/app/Status.png")));
    statusItemView_->setAction("togglePanel");
}

BTMenubarController::~BTMenubarController()
{
    delete statusItemView_; // hides and removes the icon
}

QSystemTrayIcon* BTMenubarController::statusItem() const { return statusItemView_->statusItem(); }

void BTMenubarController::setIsConnect(bool connected)
{
    isConnect_.store(connected, std::memory_order_release);
    statusItemView_->setHighlighted(connected);
}
