#include "JSONDictionary.h"

#include "JSONValueStorage.h"

#include <new>
#include <stdexcept>
#include <string>

using JSONDetail::relocate;

namespace {

std::string contractMessage(const char* operation, const std::string& what)
{
    return std::string("*** -[JSONDictionary ") + operation + "]: " + what;
}

} // namespace

JSONDictionary::JSONDictionary(size_t capacity, bool isMutable) noexcept
    : mutable_(isMutable), capacity_(capacity), entries_(reinterpret_cast<Entry*>(this + 1))
{
}

JSONDictionary::~JSONDictionary()
{
    if (!inlineEntries_) ::operator delete(static_cast<void*>(entries_));
}

JSONDictionary* JSONDictionary::create(size_t capacity, bool isMutable)
{
    void* memory = ::operator new(sizeof(JSONDictionary) + capacity * sizeof(Entry));
    return new (memory) JSONDictionary(capacity, isMutable);
}

void JSONDictionary::destroy(JSONDictionary* dictionary) noexcept
{
    dictionary->~JSONDictionary();
    ::operator delete(static_cast<void*>(dictionary));
}

JSONDictionary::Entry* JSONDictionary::find(std::string_view key) const noexcept
{
    for (size_t i = 0; i < count_; ++i) {
        if (entries_[i].key.stringValue() == key) return entries_ + i;
    }
    return nullptr;
}

const JSONValue* JSONDictionary::objectForKey(std::string_view key) const noexcept
{
    const Entry* entry = find(key);
    return entry ? &entry->value : nullptr;
}

void JSONDictionary::requireMutable(const char* operation) const
{
    if (!mutable_) throw std::logic_error(contractMessage(operation, "mutating method sent to immutable object"));
}

void JSONDictionary::setObject(std::optional<JSONValue> object, std::optional<std::string_view> forKey)
{
    requireMutable("setObject:forKey:");
    if (!forKey) throw std::invalid_argument(contractMessage("setObject:forKey:", "attempt to insert nil key"));
    if (!object) {
        throw std::invalid_argument(
            contractMessage("setObject:forKey:", "attempt to insert nil value (key: " + std::string(*forKey) + ")"));
    }
    if (Entry* existing = find(*forKey)) {
        existing->value = std::move(*object);
        return;
    }
    if (count_ == capacity_) {
        size_t capacity = capacity_ < 4 ? 4 : capacity_ * 2;
        auto* entries = static_cast<Entry*>(::operator new(capacity * sizeof(Entry)));
        if (count_) std::memcpy(static_cast<void*>(entries), static_cast<const void*>(entries_), count_ * sizeof(Entry));
        if (!inlineEntries_) ::operator delete(static_cast<void*>(entries_));
        entries_ = entries;
        inlineEntries_ = false;
        capacity_ = capacity;
    }
    new (entries_ + count_) Entry{JSONValue(*forKey), std::move(*object)};
    ++count_;
}

void JSONDictionary::removeObjectForKey(std::optional<std::string_view> key)
{
    requireMutable("removeObjectForKey:");
    if (!key) throw std::invalid_argument(contractMessage("removeObjectForKey:", "attempt to remove nil key"));
    Entry* entry = find(*key);
    if (!entry) return;
    Entry removed{std::move(entry->key), std::move(entry->value)};
    entry->~Entry();
    Entry* last = entries_ + count_ - 1;
    if (entry != last) std::memcpy(static_cast<void*>(entry), static_cast<const void*>(last), sizeof(Entry));
    --count_;
}

void JSONDictionary::removeAllObjects()
{
    requireMutable("removeAllObjects");
    while (count_ > 0) {
        Entry removed{std::move(entries_[count_ - 1].key), std::move(entries_[count_ - 1].value)};
        entries_[count_ - 1].~Entry();
        --count_;
    }
}
