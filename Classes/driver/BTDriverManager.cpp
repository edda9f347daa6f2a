#include "BTDriverManager.h"

#include "NotificationCenter.h"
#include "UserDefaults.h"

const char* const BTDriverManagerDidChangeStatus = "BTDriverManagerDidChangeStatus";

BTDriverManager& BTDriverManager::shared()
{
    static BTDriverManager driver;
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
