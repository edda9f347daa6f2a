#pragma once
// The shortcut editor window: edits the record of one key id in four groups
// (key chord, mouse action, function, program to open). While it is open it
// captures every key press of the application. Each opening is a new window,
// destroyed when it closes; the opener keeps no reference.
#include "ShortcutEditorValues.h"

#include <QWidget>
#include <cstdint>

class Configure;

class ShortcutSetting : public QWidget, public ShortcutEditorValues {
    Q_OBJECT
public:
    // store: where the record is read from and written to; null: the process's store.
    explicit ShortcutSetting(Configure* store = nullptr, QWidget* parent = nullptr);
    ~ShortcutSetting() override;

    // Loads the record of a key id; called by the opener right after show().
    void setKeyId(int64_t keyId);
};
