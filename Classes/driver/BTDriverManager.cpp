#include "BTDriverManager.h"

#include "MainQueue.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

#include <QThread>
#include <QThreadPool>

const char* const BTDriverManagerDidChangeStatus = "BTDriverManagerDidChangeStatus";

BTDriverManager& BTDriverManager::shared()
{
    // Whoever composes the process connects its shortcut store and executor.
    static BTDriverManager instance;
    return instance;
}

// The process's driver starts its thread; drivers made with options are for
// tests and tools, which drive it themselves.
BTDriverManager::BTDriverManager() : BTDriverManager(Options{nullptr, true}) {}

BTDriverManager::BTDriverManager(Options options) : defaults_(options.defaults)
{
    setMainRunLoop(QThread::currentThread());
    setIsBackgroundLoopActive(true);
    if (options.startDriverThread) Timer::singleShot(100, [this] { startDriverThread(); });
    initConfig();
}

BTDriverManager::~BTDriverManager()
{
    stopDriverThread();
    releaseHIDManager();
}

int32_t BTDriverManager::tabletVendorID() { return BREVOLA_VENDOR_ID; }
int32_t BTDriverManager::tabletProductID() { return BREVOLA_PRODUCT_ID; }

UserDefaults& BTDriverManager::defaults() const
{
    return defaults_ ? *defaults_ : UserDefaults::standardUserDefaults();
}

void BTDriverManager::postUpdateNotification()
{
    NotificationCenter::defaultCenter().postNotification(BTDriverManagerDidChangeStatus, this);
}
