#pragma once
// How deeply the arrays and dictionaries of an encoded property list nest,
// measured on the bytes without recursion. The property-list library recurses
// once per level while reading and freeing, so a file nested thousands deep
// would overflow the stack: it is measured before the library sees it.
#include <cstddef>
#include <string_view>

namespace PlistNesting {

// True when the XML or binary property list nests at most maxDepth containers
// deep. Binary data whose object table cannot be followed counts as too deep.
bool withinDepth(std::string_view bytes, size_t maxDepth);

// True when the bytes are in the binary format (the rest is read as XML).
bool isBinary(std::string_view bytes);

} // namespace PlistNesting
