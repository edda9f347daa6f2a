#include "BTDriverManager.h"

#include "Configure.h"
#include "DriverShortcuts.h"
#include "InputEmulator.h"
#include "NotificationCenter.h"
#include "UserDefaults.h"

const char* const BTDriverManagerDidChangeStatus = "BTDriverManagerDidChangeStatus";

BTDriverManager& BTDriverManager::shared()
{
    // The process's driver saves, resets and runs its shortcuts through the
    // process's shortcut store and its own executor.
    static BTDriverManager& driver = []() -> BTDriverManager& {
        static BTDriverManager instance;
        static InputEmulator inputEmulator;
        DriverShortcuts::connect(instance, Configure::instance(), inputEmulator);
        return instance;
    }();
    return driver;
}

BTDriverManager::BTDriverManager() : BTDriverManager(Options{}) {}

BTDriverManager::BTDriverManager(Options options) : defaults_(options.defaults)
{
    initConfig();
}

BTDriverManager::~BTDriverManager() = default;

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
