#pragma once
// What the settings store asks of the shortcut store when it saves or clears
// the settings: the shortcut store implements it and registers itself.
class ShortcutDocumentStore {
public:
    virtual ~ShortcutDocumentStore() = default;
    // Writes the current shortcut document to the defaults store.
    virtual void saveShortcutConfig() = 0;
    // Reloads the document from the defaults store, else the built-in default.
    virtual void defaultShortcutConfig() = 0;
};
