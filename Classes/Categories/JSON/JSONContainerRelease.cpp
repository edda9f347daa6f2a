// Dropping the last reference to a container releases its children; a child
// container whose count reaches zero is queued instead of freed on the spot,
// so a tree nested a million levels deep frees in a loop, not on the stack.
#include "JSONValueStorage.h"

#include <vector>

namespace JSONDetail {
namespace {

struct Pending {
    void* container;
    bool isArray;
};

struct ReleaseQueue {
    std::vector<Pending> pending;
    bool draining = false;
};

thread_local ReleaseQueue queue;

void freeOne(const Pending& item) noexcept
{
    // Releasing the children may push more containers onto the queue.
    if (item.isArray) {
        ContainerRelease::freeArray(static_cast<JSONArray*>(item.container));
    } else {
        ContainerRelease::freeDictionary(static_cast<JSONDictionary*>(item.container));
    }
}

void drain(Pending first) noexcept
{
    if (queue.draining) {
        queue.pending.push_back(first);
        return;
    }
    queue.draining = true;
    freeOne(first);
    while (!queue.pending.empty()) {
        Pending next = queue.pending.back();
        queue.pending.pop_back();
        freeOne(next);
    }
    queue.draining = false;
}

} // namespace

void ContainerRelease::freeArray(JSONArray* array) noexcept
{
    for (size_t i = 0; i < array->count_; ++i) array->items_[i].~JSONValue();
    JSONArray::destroy(array);
}

void ContainerRelease::freeDictionary(JSONDictionary* dictionary) noexcept
{
    for (size_t i = 0; i < dictionary->count_; ++i) dictionary->entries_[i].~Entry();
    JSONDictionary::destroy(dictionary);
}

void ContainerRelease::destroyArray(JSONArray* array) noexcept
{
    drain({array, true});
}

void ContainerRelease::destroyDictionary(JSONDictionary* dictionary) noexcept
{
    drain({dictionary, false});
}

} // namespace JSONDetail
