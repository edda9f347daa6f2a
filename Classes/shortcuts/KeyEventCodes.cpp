#include "KeyEventCodes.h"

#include "KeyMapInfo.h"
#include "LinuxKeyCodes.h"

#include <QKeyEvent>

#include <algorithm>
#include <string>

namespace {

// X11 and Wayland number keys from 8 up: evdev code + 8.
constexpr uint32_t kScanCodeOffset = 8;

struct QtKeyName {
    int key;
    const char* name;
};

// Keys named by what they print or do; letters, digits and F-keys are
// worked out from the key's value. The shifted symbols of the main block
// name their key, as a US keyboard has them.
constexpr QtKeyName kMainKeys[] = {
    {Qt::Key_Equal, "="}, {Qt::Key_Plus, "="}, {Qt::Key_Minus, "-"}, {Qt::Key_Underscore, "-"},
    {Qt::Key_BracketRight, "]"}, {Qt::Key_BraceRight, "]"}, {Qt::Key_BracketLeft, "["}, {Qt::Key_BraceLeft, "["},
    {Qt::Key_Apostrophe, "\u2018"}, {Qt::Key_QuoteDbl, "\u2018"}, {Qt::Key_Semicolon, ":"}, {Qt::Key_Colon, ":"},
    {Qt::Key_Backslash, "\\"}, {Qt::Key_Bar, "\\"}, {Qt::Key_Comma, ","}, {Qt::Key_Less, ","},
    {Qt::Key_Slash, "/"}, {Qt::Key_Question, "/"}, {Qt::Key_Period, "."}, {Qt::Key_Greater, "."},
    {Qt::Key_QuoteLeft, "`"}, {Qt::Key_AsciiTilde, "`"},
    {Qt::Key_Exclam, "1"}, {Qt::Key_At, "2"}, {Qt::Key_NumberSign, "3"}, {Qt::Key_Dollar, "4"},
    {Qt::Key_Percent, "5"}, {Qt::Key_AsciiCircum, "6"}, {Qt::Key_Ampersand, "7"}, {Qt::Key_Asterisk, "8"},
    {Qt::Key_ParenLeft, "9"}, {Qt::Key_ParenRight, "0"},
    {Qt::Key_Return, "Return"}, {Qt::Key_Enter, "KeypadEnter"}, {Qt::Key_Tab, "Tab"}, {Qt::Key_Backtab, "Tab"},
    {Qt::Key_Space, "Space"}, {Qt::Key_Backspace, "Delete"}, {Qt::Key_Escape, "Escape"},
    {Qt::Key_Insert, "Help"}, {Qt::Key_Help, "Help"}, {Qt::Key_Home, "Home"}, {Qt::Key_PageUp, "PageUp"},
    {Qt::Key_Delete, "ForwardDelete"}, {Qt::Key_End, "End"}, {Qt::Key_PageDown, "PageDown"},
    {Qt::Key_Left, "LeftArrow"}, {Qt::Key_Right, "RightArrow"}, {Qt::Key_Down, "DownArrow"}, {Qt::Key_Up, "UpArrow"},
    {Qt::Key_Meta, "Command"}, {Qt::Key_Super_L, "Command"}, {Qt::Key_Super_R, "Command"},
    {Qt::Key_Shift, "Shift"}, {Qt::Key_CapsLock, "CapsLock"}, {Qt::Key_Alt, "Option"}, {Qt::Key_AltGr, "Option"},
    {Qt::Key_Control, "Ctrl"}, {Qt::Key_Clear, "KeypadClear"},
    {Qt::Key_VolumeUp, "VolumeUp"}, {Qt::Key_VolumeDown, "VolumeDown"}, {Qt::Key_VolumeMute, "Mute"},
};

constexpr QtKeyName kKeypadKeys[] = {
    {Qt::Key_Period, "KeypadDecimal"}, {Qt::Key_Comma, "KeypadDecimal"}, {Qt::Key_Asterisk, "KeypadMultiply"},
    {Qt::Key_Plus, "KeypadPlus"}, {Qt::Key_Minus, "KeypadMinus"}, {Qt::Key_Slash, "KeypadDivide"},
    {Qt::Key_Equal, "KeypadEquals"}, {Qt::Key_Enter, "KeypadEnter"}, {Qt::Key_Clear, "KeypadClear"},
};

template <size_t N>
const char* find(const QtKeyName (&table)[N], int key)
{
    const auto row = std::find_if(std::begin(table), std::end(table), [key](const QtKeyName& r) { return r.key == key; });
    return row == std::end(table) ? nullptr : row->name;
}

std::string nameOf(int key, bool keypad)
{
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return std::string("Keypad").append(1, static_cast<char>(key));
        if (const char* name = find(kKeypadKeys, key)) return name;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return std::string(1, static_cast<char>(key));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20) return std::string("F").append(std::to_string(key - Qt::Key_F1 + 1));
    if (const char* name = find(kMainKeys, key)) return name;
    return {};
}

} // namespace

std::optional<int64_t> KeyEventCodes::virtualKey(const QKeyEvent& event)
{
    return virtualKey(event.nativeScanCode(), event.key(), event.modifiers());
}

std::optional<int64_t> KeyEventCodes::virtualKey(uint32_t nativeScanCode, int qtKey, Qt::KeyboardModifiers modifiers)
{
    // A scan code names the key itself, whatever the layout prints on it.
    if (nativeScanCode != 0) return fromScanCode(nativeScanCode);
    return fromQtKey(qtKey, modifiers);
}

std::optional<int64_t> KeyEventCodes::fromScanCode(uint32_t nativeScanCode)
{
    if (nativeScanCode < kScanCodeOffset) return std::nullopt;
    const uint32_t linuxKey = nativeScanCode - kScanCodeOffset;
    const auto rows = LinuxKeyCodes::rows();
    const auto row = std::find_if(rows.begin(), rows.end(), [linuxKey](const auto& r) { return r.linuxKey == linuxKey; });
    if (row == rows.end()) return std::nullopt;
    return row->virtualKey;
}

std::optional<int64_t> KeyEventCodes::fromQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const std::string name = nameOf(qtKey, modifiers.testFlag(Qt::KeypadModifier));
    if (name.empty()) return std::nullopt;
    const auto& codes = KeyMapInfo::shared().keyCode();
    const auto code = codes.find(name);
    if (code == codes.end()) return std::nullopt;
    return code->second;
}

bool KeyEventCodes::isModifier(int64_t virtualKey)
{
    // The tables number them together: 54 right Command up to 63 Function.
    return virtualKey >= 54 && virtualKey <= 63;
}
