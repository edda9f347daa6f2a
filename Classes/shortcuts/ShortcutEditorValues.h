#pragma once
// What the shortcut store reads from and writes into the shortcut editor: the
// key being edited, the editor's values and the states of its four enable
// checkboxes. The editor window implements it; tests use a plain one.
#include <cstdint>
#include <optional>
#include <string>

class ShortcutEditorValues {
public:
    virtual ~ShortcutEditorValues() = default;

    virtual int64_t keyId() const = 0;

    // The chosen mouse command ("MouseLeft;" ...); none: no radio chosen.
    virtual std::optional<std::string> mouseEvent() const = 0;
    // Selects the radios whose words the command holds (none: no change).
    virtual void setMouseEvent(const std::optional<std::string>& command) = 0;
    // The chosen function command ("Monitor;" or "E,B;"); none: no radio chosen.
    virtual std::optional<std::string> functionEvent() const = 0;
    virtual void setFunctionEvent(const std::optional<std::string>& command) = 0;
    // Captured key names, each followed by one blank.
    virtual std::optional<std::string> keyboardEvent() const = 0;
    virtual void setKeyboardEvent(const std::optional<std::string>& names) = 0;
    // The modifier prefix ("Ctrl+Shift+").
    virtual std::optional<std::string> shortcutEvent() const = 0;
    virtual void setShortcutEvent(const std::optional<std::string>& prefix) = 0;

    // The chord's text field; setting it also ticks the modifier checkboxes it names.
    virtual std::string shortcutText() const = 0;
    virtual void setShortcutText(const std::string& text) = 0;
    // The text field with the path of the program to open.
    virtual std::string filePath() const = 0;
    virtual void setFilePath(const std::string& path) = 0;

    // States of the enable checkboxes: 1 on, 0 off.
    virtual int32_t enableKeyboardState() const = 0;
    virtual void setEnableKeyboardState(int32_t state) = 0;
    virtual int32_t enableMouseEventState() const = 0;
    virtual void setEnableMouseEventState(int32_t state) = 0;
    virtual int32_t enableRunEventState() const = 0;
    virtual void setEnableRunEventState(int32_t state) = 0;
    virtual int32_t enableFuncEventState() const = 0;
    virtual void setEnableFuncEventState(int32_t state) = 0;
};
