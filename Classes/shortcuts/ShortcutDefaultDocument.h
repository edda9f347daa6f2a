#pragma once
// The default shortcut document (Resources/shortcut.json), compiled into the
// program at build time.
#include <string_view>

namespace ShortcutDefaultDocument {
// The document's UTF-8 text.
std::string_view text();
}
