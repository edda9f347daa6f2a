#include "UserDefaults.h"

#include "SystemLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults store(defaultPath());
    return store;
}

std::string UserDefaults::defaultPath()
{
    fs::path dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') dir = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) dir = fs::path(home) / ".config";
    else dir = fs::temp_directory_path();
    return (dir / (std::string(kDomain) + ".plist")).string();
}

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) { load(); }

void UserDefaults::reopen(std::string path)
{
    std::lock_guard lock(mutex_);
    path_ = std::move(path);
    stored_.clear();
    registered_.clear();
    dirty_ = false;
    leaveFileAlone_ = false;
    load();
}

void UserDefaults::load()
{
    constexpr const char* method = "-[UserDefaults load]";
    PropertyList::ReadFailure failure;
    auto value = PropertyList::readFile(path_, &failure);
    if (value && value->isDictionary()) {
        stored_ = *value->dictionary();
        return;
    }
    if (!value && failure.kind == PropertyList::ReadFailure::Kind::Missing) return;
    if (!value && failure.kind == PropertyList::ReadFailure::Kind::Unreadable) {
        // Nothing is known of what it holds: leave it where it is and never write over it.
        leaveFileAlone_ = true;
        BTLogWarn(method, "settings file %s cannot be read: %s; using the defaults, and changes are not saved to it",
                  path_.c_str(), failure.reason.c_str());
        return;
    }
    // Read, but no settings: move it aside rather than overwrite it on the next
    // save (the file a link names, so that the next save writes through the link).
    const std::string file = PropertyList::linkTarget(path_);
    const auto stamp = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch()).count();
    const std::string aside = file + ".unreadable-" + std::to_string(stamp);
    std::error_code ec;
    fs::rename(file, aside, ec);
    leaveFileAlone_ = bool(ec);
    if (ec)
        BTLogWarn(method, "settings file %s is unreadable and could not be moved aside: %s; it is not written over",
                  path_.c_str(), ec.message().c_str());
    else
        BTLogWarn(method, "settings file %s is unreadable; kept aside as %s", path_.c_str(),
                  aside.c_str());
}

std::optional<PlistValue> UserDefaults::objectForKey(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    if (auto it = stored_.find(key); it != stored_.end()) return it->second;
    if (auto it = registered_.find(key); it != registered_.end()) return it->second;
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const
{
    auto value = objectForKey(key);
    if (value && value->isString()) return *value->string();
    return std::nullopt;
}

void UserDefaults::setObject(PlistValue value, const std::string& key)
{
    std::lock_guard lock(mutex_);
    stored_.insert_or_assign(key, std::move(value));
    dirty_ = true;
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    std::lock_guard lock(mutex_);
    if (stored_.erase(key)) dirty_ = true;
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(mutex_);
    if (!dirty_) return true;
    if (leaveFileAlone_) {
        BTLogWarn("-[UserDefaults synchronize]", "settings file %s could not be read; not written over", path_.c_str());
        return false;
    }
    std::error_code ec;
    fs::create_directories(fs::path(path_).parent_path(), ec);
    if (!PropertyList::writeFile(path_, PlistValue(stored_))) {
        BTLogWarn("-[UserDefaults synchronize]", "could not write settings file %s", path_.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

void UserDefaults::registerDefaults(const PlistValue::Dictionary& values)
{
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : values) registered_.insert_or_assign(key, value);
}

PlistValue::Dictionary UserDefaults::dictionaryRepresentation() const
{
    std::lock_guard lock(mutex_);
    PlistValue::Dictionary all = registered_;
    for (const auto& [key, value] : stored_) all.insert_or_assign(key, value);
    return all;
}
