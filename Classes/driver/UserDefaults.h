#pragma once
// The per-user defaults store. Reads search the stored values, then the
// registered ones (this platform has no layer shared by all applications).
// Stored values live in one XML property list per user:
// $XDG_CONFIG_HOME/<domain>.plist, else ~/.config/<domain>.plist.
#include "PropertyList.h"

#include <mutex>
#include <optional>
#include <string>

class UserDefaults {
public:
    static constexpr const char* kDomain = "com.qorn.sr.brevolaDriver";

    // The one store of the application, the same object on every call.
    static UserDefaults& standardUserDefaults();
    static std::string defaultPath();

    explicit UserDefaults(std::string path);

    // Points the store at another file and forgets everything it held
    // (registered values included); used by tools and tests.
    void reopen(std::string path);
    const std::string& path() const { return path_; }

    std::optional<PlistValue> objectForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    void setObject(PlistValue value, const std::string& key);
    void removeObjectForKey(const std::string& key);
    // Writes the stored values through to the file; false when that failed.
    bool synchronize();
    void registerDefaults(const PlistValue::Dictionary& values);
    PlistValue::Dictionary dictionaryRepresentation() const;

private:
    void load();

    mutable std::mutex mutex_;
    std::string path_;
    PlistValue::Dictionary stored_;
    PlistValue::Dictionary registered_;
    bool dirty_ = false;
    bool leaveFileAlone_ = false; // it exists but could not be read
};
