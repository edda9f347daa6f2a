#pragma once
// The key tables' virtual key code of a key event. On X11 and Wayland a key
// event carries the evdev code + 8 as its native scan code, which the Linux key
// code table turns back into the virtual code of the key in that place; an
// event without one (offscreen, synthesised) is read by its Qt::Key.
#include <Qt>
#include <cstdint>
#include <optional>

class QKeyEvent;

class KeyEventCodes {
public:
    // none: a key the tables have no code for.
    static std::optional<int64_t> virtualKey(const QKeyEvent& event);
    static std::optional<int64_t> virtualKey(uint32_t nativeScanCode, int qtKey, Qt::KeyboardModifiers modifiers);

    // By the native scan code alone (evdev code + 8).
    static std::optional<int64_t> fromScanCode(uint32_t nativeScanCode);
    // By the Qt key alone; keypad keys need Qt::KeypadModifier.
    static std::optional<int64_t> fromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

    // The modifier keys (Command, Shift, Caps Lock, Option, Control, Function,
    // either hand): chords take these from the editor's checkboxes instead.
    static bool isModifier(int64_t virtualKey);
};
