#pragma once
// The shortcut store: the shortcut document (a JSON object of key records,
// member names the key ids in decimal) held in memory as text. Every read
// parses the text afresh; every write re-serialises the whole document and
// replaces the text. Reads run on the driver thread and the main thread, so
// the text is only ever swapped whole under a lock, never changed in place.
#include "ShortcutDocumentStore.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class ShortcutEditorValues;
class UserDefaults;

class Configure : public ShortcutDocumentStore {
public:
    // The process's store over the standard defaults store, loaded on first use.
    static Configure& instance();

    // defaults: where the text persists (null: the standard store);
    // defaultDocument: the text used when the defaults hold none (empty: none).
    explicit Configure(UserDefaults* defaults = nullptr, std::string_view defaultDocument = builtInDocument());
    Configure(const Configure&) = delete;
    Configure& operator=(const Configure&) = delete;

    // The default document compiled into the program.
    static std::string_view builtInDocument();

    // Loads the text: the string stored under the shortcut key, else the default document.
    void initConfig();
    // The same loading, run again (after a reset has removed the stored text).
    void defaultShortcutConfig() override;
    // Writes the text to the defaults store (no text as the empty string, so
    // that it stays none); the caller flushes the store.
    void saveShortcutConfig() override;

    // The command string of a key: its enabled parts in the order keyboard,
    // mouse, function, run. "" for a key without a record.
    std::string readShortcutForCmd(int64_t kid) const;
    // Fills the editor from the record of its key id.
    bool readShortcutConfig(ShortcutEditorValues& editor) const;
    // Stores the editor's values into the record of its key id (creating the
    // record when there is none) and replaces the text. False, with the text
    // unchanged, when the text in memory is no JSON object or the document
    // cannot be written.
    bool writeShortcutConfig(const ShortcutEditorValues& editor);

    // The text as it stands; null when there is none.
    std::shared_ptr<const std::u16string> text() const;

private:
    void setText(std::shared_ptr<const std::u16string> text);
    UserDefaults& defaults() const;

    UserDefaults* defaults_ = nullptr;
    std::string defaultDocument_;
    mutable std::mutex textMutex_;
    std::shared_ptr<const std::u16string> text_;
    std::mutex writeMutex_; // one read-modify-write of the document at a time
};
