#pragma once
// Element access on a list that tolerates an index beyond the end.
#include <cstddef>
#include <vector>

// The element, or none when the index is not below the count.
template <typename T>
const T* safeObjectAtIndex(const std::vector<T>& list, size_t index)
{
    return index < list.size() ? &list[index] : nullptr;
}

// The element, or the first one when the index is not below the count;
// none for an empty list.
template <typename T>
const T* safeObjectAtIndexForScreen(const std::vector<T>& list, size_t index)
{
    if (list.empty()) return nullptr;
    return index < list.size() ? &list[index] : &list.front();
}
