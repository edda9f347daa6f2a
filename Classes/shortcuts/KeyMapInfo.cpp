#include "KeyMapInfo.h"

#include "ShortcutCommand.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace {

struct Row {
    const char* name;
    int32_t code;
};

// Rows both tables share. Code 39 is named by U+2018 and code 41 by ":",
// because the ASCII apostrophe would be ambiguous to read back and ";"
// separates groups; code 49 is "Space" because a blank separates captured names.
constexpr std::array<Row, 108> kSharedRows{{
    // Letters
    {"A", 0}, {"S", 1}, {"D", 2}, {"F", 3}, {"H", 4}, {"G", 5}, {"Z", 6}, {"X", 7}, {"C", 8}, {"V", 9},
    {"B", 11}, {"Q", 12}, {"W", 13}, {"E", 14}, {"R", 15}, {"Y", 16}, {"T", 17}, {"O", 31}, {"U", 32},
    {"I", 34}, {"P", 35}, {"L", 37}, {"J", 38}, {"K", 40}, {"N", 45}, {"M", 46},
    // Digits
    {"1", 18}, {"2", 19}, {"3", 20}, {"4", 21}, {"6", 22}, {"5", 23}, {"9", 25}, {"7", 26}, {"8", 28},
    {"0", 29},
    // Punctuation
    {"=", 24}, {"-", 27}, {"]", 30}, {"[", 33}, {"\u2018", 39}, {":", 41}, {"\\", 42}, {",", 43},
    {"/", 44}, {".", 47}, {"`", 50},
    // Editing and navigation
    {"Return", 36}, {"Tab", 48}, {"Space", 49}, {"Delete", 51}, {"Escape", 53}, {"Help", 114},
    {"Home", 115}, {"PageUp", 116}, {"ForwardDelete", 117}, {"End", 119}, {"PageDown", 121},
    {"LeftArrow", 123}, {"RightArrow", 124}, {"DownArrow", 125}, {"UpArrow", 126},
    // Modifiers (left-hand codes; Control differs between the tables)
    {"Command", 55}, {"Shift", 56}, {"CapsLock", 57}, {"Option", 58}, {"Function", 63},
    // Function keys
    {"F1", 122}, {"F2", 120}, {"F3", 99}, {"F4", 118}, {"F5", 96}, {"F6", 97}, {"F7", 98}, {"F8", 100},
    {"F9", 101}, {"F10", 109}, {"F11", 103}, {"F12", 111}, {"F13", 105}, {"F14", 107}, {"F15", 113},
    {"F16", 106}, {"F17", 64}, {"F18", 79}, {"F19", 80}, {"F20", 90},
    // Keypad
    {"KeypadDecimal", 65}, {"KeypadMultiply", 67}, {"KeypadPlus", 69}, {"KeypadClear", 71},
    {"KeypadDivide", 75}, {"KeypadEnter", 76}, {"KeypadMinus", 78}, {"KeypadEquals", 81},
    {"Keypad0", 82}, {"Keypad1", 83}, {"Keypad2", 84}, {"Keypad3", 85}, {"Keypad4", 86},
    {"Keypad5", 87}, {"Keypad6", 88}, {"Keypad7", 89}, {"Keypad8", 91}, {"Keypad9", 92},
    // Media
    {"VolumeUp", 72}, {"VolumeDown", 73}, {"Mute", 74},
}};

// Captured keys only: the right-hand modifiers and the left Control key by its full name.
constexpr std::array<Row, 5> kKeyStringOnlyRows{{
    {"Control", 59}, {"Command", 54}, {"Shift", 60}, {"Option", 61}, {"Control", 62},
}};

// Commands name the left Control key as the modifier prefix does.
constexpr Row kKeyCodeOnlyRow{"Ctrl", 59};

// Action words and how the user sees them, replaced in this order.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kDisplayWords{{
    {"MouseLeft", "Left Button"},
    {"MouseRight", "Right Button"},
    {"ScrollForward", "Scroll Forward"},
    {"MouseDoubleClick", "Double Click"},
    {"MouseMiddle", "Middle Button"},
    {"ScrollBack", "Scroll Backward"},
    {"Monitor", "Switch Display"},
    {"E,B", "Switch Brush"},
}};
constexpr std::string_view kRunDisplay = "Shell Program:";

void replaceAll(std::string& text, std::string_view word, std::string_view by)
{
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size()))
        text.replace(at, word.size(), by);
}

} // namespace

KeyMapInfo& KeyMapInfo::shared()
{
    static KeyMapInfo instance;
    return instance;
}

KeyMapInfo::KeyMapInfo()
{
    initKey();
    initCode();
}

void KeyMapInfo::initKey()
{
    for (const Row& row : kSharedRows) keyString_.emplace(row.code, row.name);
    for (const Row& row : kKeyStringOnlyRows) keyString_.emplace(row.code, row.name);
}

void KeyMapInfo::initCode()
{
    for (const Row& row : kSharedRows) keyCode_.emplace(row.name, row.code);
    keyCode_.emplace(kKeyCodeOnlyRow.name, kKeyCodeOnlyRow.code);
}

std::string KeyMapInfo::shortkeyToChina(const std::string& command)
{
    // The run part's path is shown as written: words inside it are no actions.
    const ShortcutCommand::Split split = ShortcutCommand::splitRunPart(command);
    std::string text(split.head);
    for (const auto& [word, display] : kDisplayWords) replaceAll(text, word, display);

    if (std::count(text.begin(), text.end(), ';') == 1) std::replace(text.begin(), text.end(), ';', ' ');
    if (split.hasRun) {
        text += kRunDisplay;
        text += split.path;
    }
    return text.empty() ? "Undefined" : text;
}
