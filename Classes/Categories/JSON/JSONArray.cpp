#include "JSONArray.h"

#include "JSONValueStorage.h"

#include <new>
#include <stdexcept>
#include <string>

using JSONDetail::relocate;

namespace {

std::string contractMessage(const char* operation, const char* what)
{
    return std::string("*** -[JSONArray ") + operation + "]: " + what;
}

} // namespace

JSONArray::JSONArray(size_t capacity, bool isMutable) noexcept
    : mutable_(isMutable), capacity_(capacity), items_(reinterpret_cast<JSONValue*>(this + 1))
{
}

JSONArray::~JSONArray()
{
    if (!inlineItems_) ::operator delete(static_cast<void*>(items_));
}

JSONArray* JSONArray::create(size_t capacity, bool isMutable)
{
    void* memory = ::operator new(sizeof(JSONArray) + capacity * sizeof(JSONValue));
    return new (memory) JSONArray(capacity, isMutable);
}

void JSONArray::destroy(JSONArray* array) noexcept
{
    array->~JSONArray();
    ::operator delete(static_cast<void*>(array));
}

const JSONValue& JSONArray::objectAtIndex(size_t index) const
{
    requireIndex("objectAtIndex:", index, count_);
    return items_[index];
}

void JSONArray::requireMutable(const char* operation) const
{
    if (!mutable_) throw std::logic_error(contractMessage(operation, "mutating method sent to immutable object"));
}

void JSONArray::requireIndex(const char* operation, size_t index, size_t limit) const
{
    if (index >= limit) {
        throw std::invalid_argument(contractMessage(operation, ("index (" + std::to_string(index) + ") beyond bounds (" +
                                                                std::to_string(count_) + ")")
                                                                   .c_str()));
    }
}

void JSONArray::reserve(size_t needed)
{
    if (needed <= capacity_) return;
    size_t capacity = capacity_ < 4 ? 4 : capacity_ * 2;
    if (capacity < needed) capacity = needed;
    auto* items = static_cast<JSONValue*>(::operator new(capacity * sizeof(JSONValue)));
    relocate(items, items_, count_);
    if (!inlineItems_) ::operator delete(static_cast<void*>(items_));
    items_ = items;
    inlineItems_ = false;
    capacity_ = capacity;
}

void JSONArray::addObject(std::optional<JSONValue> object)
{
    requireMutable("addObject:");
    if (!object) throw std::invalid_argument(contractMessage("addObject:", "attempt to insert nil"));
    reserve(count_ + 1);
    new (items_ + count_) JSONValue(std::move(*object));
    ++count_;
}

void JSONArray::insertObject(std::optional<JSONValue> object, size_t atIndex)
{
    requireMutable("insertObject:atIndex:");
    if (!object) throw std::invalid_argument(contractMessage("insertObject:atIndex:", "attempt to insert nil"));
    requireIndex("insertObject:atIndex:", atIndex, count_ + 1);
    reserve(count_ + 1);
    std::memmove(static_cast<void*>(items_ + atIndex + 1), static_cast<const void*>(items_ + atIndex),
                 (count_ - atIndex) * sizeof(JSONValue));
    new (items_ + atIndex) JSONValue(std::move(*object));
    ++count_;
}

void JSONArray::replaceObjectAtIndex(size_t index, std::optional<JSONValue> withObject)
{
    requireMutable("replaceObjectAtIndex:withObject:");
    if (!withObject) {
        throw std::invalid_argument(contractMessage("replaceObjectAtIndex:withObject:", "attempt to insert nil"));
    }
    requireIndex("replaceObjectAtIndex:withObject:", index, count_);
    items_[index] = std::move(*withObject);
}

void JSONArray::removeObjectAtIndex(size_t index)
{
    requireMutable("removeObjectAtIndex:");
    requireIndex("removeObjectAtIndex:", index, count_);
    JSONValue removed(std::move(items_[index]));
    items_[index].~JSONValue();
    std::memmove(static_cast<void*>(items_ + index), static_cast<const void*>(items_ + index + 1),
                 (count_ - index - 1) * sizeof(JSONValue));
    --count_;
}

void JSONArray::removeLastObject()
{
    requireMutable("removeLastObject");
    if (count_ == 0) return;
    removeObjectAtIndex(count_ - 1);
}

void JSONArray::removeAllObjects()
{
    requireMutable("removeAllObjects");
    // Released from the back, one at a time, so a deep child does not recurse.
    while (count_ > 0) {
        JSONValue removed(std::move(items_[count_ - 1]));
        items_[count_ - 1].~JSONValue();
        --count_;
    }
}
