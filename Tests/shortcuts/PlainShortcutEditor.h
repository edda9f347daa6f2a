#pragma once
// The editor's values held in plain fields, for testing the store without a window.
#include "ShortcutEditorValues.h"

#include <string>
#include <tuple>

struct EditorFields {
    std::optional<std::string> mouse = {}, function = {}, keyboard = {}, modifiers = {};
    std::string text = {}, path = {};
    int32_t keyboardOn = 0, mouseOn = 0, runOn = 0, funcOn = 0;
};

class PlainShortcutEditor : public ShortcutEditorValues, public EditorFields {
public:
    explicit PlainShortcutEditor(int64_t kid = 0, EditorFields fields = {}) : EditorFields(std::move(fields)), kid(kid) {}

    int64_t keyId() const override { return kid; }
    std::optional<std::string> mouseEvent() const override { return mouse; }
    void setMouseEvent(const std::optional<std::string>& v) override { mouse = v; }
    std::optional<std::string> functionEvent() const override { return function; }
    void setFunctionEvent(const std::optional<std::string>& v) override { function = v; }
    std::optional<std::string> keyboardEvent() const override { return keyboard; }
    void setKeyboardEvent(const std::optional<std::string>& v) override { keyboard = v; }
    std::optional<std::string> shortcutEvent() const override { return modifiers; }
    void setShortcutEvent(const std::optional<std::string>& v) override { modifiers = v; }
    std::string shortcutText() const override { return text; }
    void setShortcutText(const std::string& v) override { text = v; }
    std::string filePath() const override { return path; }
    void setFilePath(const std::string& v) override { path = v; }
    int32_t enableKeyboardState() const override { return keyboardOn; }
    void setEnableKeyboardState(int32_t v) override { keyboardOn = v; }
    int32_t enableMouseEventState() const override { return mouseOn; }
    void setEnableMouseEventState(int32_t v) override { mouseOn = v; }
    int32_t enableRunEventState() const override { return runOn; }
    void setEnableRunEventState(int32_t v) override { runOn = v; }
    int32_t enableFuncEventState() const override { return funcOn; }
    void setEnableFuncEventState(int32_t v) override { funcOn = v; }

    // Every value, for comparing two editors.
    auto values() const
    {
        return std::tuple(mouse, function, keyboard, modifiers, text, path, keyboardOn, mouseOn, runOn, funcOn);
    }

    int64_t kid;
};
