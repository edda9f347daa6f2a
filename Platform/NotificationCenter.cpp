#include "NotificationCenter.h"

#include <algorithm>

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const std::string& name, const void* sender,
                                                          Callback callback)
{
    std::lock_guard lock(mutex_);
    auto observer = std::make_shared<Observer>();
    observer->token = nextToken_++;
    observer->name = name;
    observer->sender = sender;
    observer->callback = std::move(callback);
    observers_.push_back(observer);
    return observer->token;
}

void NotificationCenter::removeObserver(Token token)
{
    std::lock_guard lock(mutex_);
    auto it = std::find_if(observers_.begin(), observers_.end(),
                           [token](const auto& o) { return o->token == token; });
    if (it == observers_.end()) return;
    (*it)->alive.store(false);
    observers_.erase(it);
}

void NotificationCenter::postNotification(const std::string& name, const void* object,
                                          PlistValue::Dictionary userInfo)
{
    // Deliver outside the lock so that callbacks may register and remove observers.
    std::vector<std::shared_ptr<Observer>> targets;
    {
        std::lock_guard lock(mutex_);
        for (const auto& o : observers_)
            if (o->name == name && (!o->sender || o->sender == object)) targets.push_back(o);
    }
    if (targets.empty()) return;
    const Notification note{name, object, std::move(userInfo)};
    for (const auto& o : targets)
        if (o->alive.load()) o->callback(note);
}
