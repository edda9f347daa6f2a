#pragma once
// The default notification centre: named notifications delivered synchronously
// on the posting thread. Observers may filter on the sender and may remove
// themselves (or others) while being called; registration is thread-safe.
#include "PropertyList.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct Notification {
    std::string name;
    const void* object = nullptr;
    PlistValue::Dictionary userInfo;
};

class NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;
    using Token = uint64_t;

    static NotificationCenter& defaultCenter();

    // sender null: every sender.
    Token addObserver(const std::string& name, const void* sender, Callback callback);
    void removeObserver(Token token);
    void postNotification(const std::string& name, const void* object = nullptr,
                          PlistValue::Dictionary userInfo = {});

private:
    struct Observer {
        Token token;
        std::string name;
        const void* sender;
        Callback callback;
        std::atomic<bool> alive{true};
    };
    std::mutex mutex_;
    std::vector<std::shared_ptr<Observer>> observers_;
    Token nextToken_ = 1;
};

// Removes its observer when it goes out of scope.
class ScopedObserver {
public:
    ScopedObserver() = default;
    ScopedObserver(const std::string& name, const void* sender, NotificationCenter::Callback cb,
                   NotificationCenter& center = NotificationCenter::defaultCenter())
        : center_(&center), token_(center.addObserver(name, sender, std::move(cb))) {}
    ScopedObserver(ScopedObserver&& o) noexcept : center_(o.center_), token_(o.token_) { o.token_ = 0; }
    ScopedObserver& operator=(ScopedObserver&& o) noexcept
    {
        if (this != &o) {
            reset();
            center_ = o.center_;
            token_ = o.token_;
            o.token_ = 0;
        }
        return *this;
    }
    ~ScopedObserver() { reset(); }
    void reset()
    {
        if (token_ && center_) center_->removeObserver(token_);
        token_ = 0;
    }

private:
    NotificationCenter* center_ = nullptr;
    NotificationCenter::Token token_ = 0;
};
