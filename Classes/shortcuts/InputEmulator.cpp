#include "InputEmulator.h"

#include "EventPosting.h"
#include "KeyMapInfo.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "ShortcutCommand.h"
#include "SystemLog.h"
#include "Workspace.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

namespace {

constexpr const char* kParseMethod = "-[InputEmulator parseCmd:status:]";

// Virtual key codes the executor needs by number.
enum : uint16_t {
    kKeyB = 11,
    kKeyE = 14,
    kRightCommand = 54,
    kCommand = 55,
    kShift = 56,
    kOption = 58,
    kControl = 59,
    kRightShift = 60,
    kRightOption = 61,
    kRightControl = 62,
    kFunction = 63,
};

// Modifier keys posted for a modifiers-only chord, in press order.
constexpr std::array<std::pair<uint64_t, uint16_t>, 4> kModifierKeys{{
    {EventPosting::kCommandFlag, kCommand},
    {EventPosting::kShiftFlag, kShift},
    {EventPosting::kOptionFlag, kOption},
    {EventPosting::kControlFlag, kControl},
}};

constexpr int64_t kScrollAmount = 5;

struct MouseWord {
    std::string_view word;
    MouseInfo record;
};

// Mouse words, tested in this order after "Monitor" and "RunFile:".
const std::array<MouseWord, 6> kMouseWords{{
    {"MouseLeft", {0, EventPosting::kLeftMouseDown, 0, 1}},
    {"MouseDoubleClick", {0, EventPosting::kLeftMouseDown, 0, 2}},
    {"MouseRight", {1, EventPosting::kRightMouseDown, 0, 1}},
    {"MouseMiddle", {2, EventPosting::kOtherMouseDown, 0, 1}},
    {"ScrollForward", {0, 0, -kScrollAmount, 0}},
    {"ScrollBack", {0, 0, kScrollAmount, 0}},
}};

bool contains(std::string_view token, std::string_view word) { return token.find(word) != std::string_view::npos; }

// Calls fn for each non-empty piece of text between separators.
template <typename Fn>
void forEachPiece(std::string_view text, char separator, Fn&& fn)
{
    while (!text.empty()) {
        const size_t end = text.find(separator);
        const std::string_view piece = text.substr(0, end);
        if (!piece.empty() && !fn(piece)) return;
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

// A key name folded into the group's chord.
void applyKeyName(KeyInfo& key, int32_t code)
{
    key.virtualKey = KeyInfo::kNoKey;
    switch (code) {
    case kRightCommand:
    case kCommand: key.flags |= static_cast<int64_t>(EventPosting::kCommandFlag); break;
    case kShift:
    case kRightShift: key.flags |= static_cast<int64_t>(EventPosting::kShiftFlag); break;
    case kOption:
    case kRightOption: key.flags |= static_cast<int64_t>(EventPosting::kOptionFlag); break;
    case kControl:
    case kRightControl: key.flags |= static_cast<int64_t>(EventPosting::kControlFlag); break;
    case kFunction: break; // no flag of its own, and no key to post
    default: key.virtualKey = code; break;
    }
}

} // namespace

InputEmulator::InputEmulator(PlatformServices* services) : services_(services) {}

PlatformServices& InputEmulator::services() const { return services_ ? *services_ : Platform::services(); }

void InputEmulator::sendKeyboard(const std::string& command, bool down, int32_t kid)
{
    if (down) {
        ++downCount_;
        NotificationCenter::defaultCenter().postNotification(DownKey, nullptr, {{"kid", PlistValue(kid)}});
    }
    for (const Action& action : parseCmd(command, down)) perform(action, down);
}

void InputEmulator::perform(const Action& action, bool down)
{
    if (const KeyInfo* key = std::get_if<KeyInfo>(&action)) {
        PostKeyboardEvent(static_cast<uint16_t>(key->virtualKey & 0xFFFF), static_cast<uint64_t>(key->flags), down);
        return;
    }
    const MouseInfo& mouse = std::get<MouseInfo>(action);
    if (mouse.scroll != 0) {
        postScroll(mouse.scroll); // on the release too: a scroll key scrolls twice
    } else if (mouse.count == 2) {
        if (!down) return;
        for (int64_t click = 1; click <= mouse.count; ++click) {
            PostMouseEvent(mouse.button, mouse.event, click);
            PostMouseEvent(mouse.button, mouse.event + 1, click);
        }
    } else {
        PostMouseEvent(mouse.button, down ? mouse.event : mouse.event + 1, mouse.count);
    }
}

std::vector<InputEmulator::Action> InputEmulator::parseCmd(const std::string& command, bool status)
{
    const ShortcutCommand::Split split = ShortcutCommand::splitRunPart(command);
    std::string_view head = split.head;
    if (split.hasRun) {
        // Text glued to "RunFile:" belongs to the run token, not to a token of its own.
        const size_t lastSeparator = head.find_last_of("+;");
        head = lastSeparator == std::string_view::npos ? std::string_view() : head.substr(0, lastSeparator + 1);
    }

    const auto& keyCodes = KeyMapInfo::shared().keyCode();
    std::vector<Action> actions;
    forEachPiece(head, ';', [&](std::string_view group) {
        KeyInfo key;
        MouseInfo mouse;
        std::optional<Action> touched;
        forEachPiece(group, '+', [&](std::string_view token) {
            if (contains(token, Monitor)) {
                if (status) NotificationCenter::defaultCenter().postNotification(Monitor);
                return false;
            }
            for (const MouseWord& candidate : kMouseWords) {
                if (contains(token, candidate.word)) {
                    mouse = candidate.record;
                    touched = mouse;
                    return false;
                }
            }
            if (contains(token, "E,B")) {
                // Odd presses so far pick the brush, even ones the eraser; the
                // switch replaces any chord before it in the group.
                key = KeyInfo{(downCount_ % 2 != 0) ? kKeyB : kKeyE, 0};
                touched = key;
                return false;
            }
            const auto found = keyCodes.find(std::string(token));
            if (found == keyCodes.end()) {
                // Never guess: an unknown name must not become code 0, the "A" key.
                BTLogWarn(kParseMethod, "unknown key name \"%.*s\" in shortcut; ignored", static_cast<int>(token.size()),
                          token.data());
                return true;
            }
            applyKeyName(key, found->second);
            touched = key;
            return true;
        });
        if (touched) actions.push_back(*touched);
        return true;
    });

    if (split.hasRun && status) launch(std::string(split.path));
    return actions;
}

void InputEmulator::launch(const std::string& path)
{
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error)) {
        BTLogWarn(kParseMethod, "program to open does not exist: \"%s\"", path.c_str());
        return;
    }
    Workspace* workspace = services().workspace;
    if (!workspace) {
        BTLogWarn(kParseMethod, "no workspace service; not opening \"%s\"", path.c_str());
        return;
    }
    if (const int32_t result = workspace->openPath(path); result != 0)
        BTLogWarn(kParseMethod, "could not open \"%s\": %s", path.c_str(), std::strerror(result));
}

void InputEmulator::PostKeyboardEvent(uint16_t keyCode, uint64_t flags, bool down)
{
    EventPosting* posting = services().eventPosting;
    if (!posting) {
        BTLogWarn("-[InputEmulator PostKeyboardEvent:event:down:]", "no event posting service; key %u dropped", keyCode);
        return;
    }
    if (keyCode != KeyInfo::kNoKey) {
        if (const int32_t result = posting->postKeyboardEvent(keyCode, flags, down); result != 0)
            BTLogWarn("-[InputEmulator PostKeyboardEvent:event:down:]", "posting key %u failed: %d", keyCode, result);
        return;
    }
    // Modifiers alone: the modifier keys themselves, released in reverse order.
    std::vector<uint16_t> keys;
    for (const auto& [flag, code] : kModifierKeys)
        if (flags & flag) keys.push_back(code);
    if (!down) std::reverse(keys.begin(), keys.end());
    for (uint16_t code : keys)
        if (const int32_t result = posting->postModifierKeyEvent(code, down); result != 0)
            BTLogWarn("-[InputEmulator PostKeyboardEvent:event:down:]", "posting modifier %u failed: %d", code, result);
}

void InputEmulator::PostMouseEvent(uint32_t button, uint32_t eventType, int64_t count)
{
    EventPosting* posting = services().eventPosting;
    if (!posting) {
        BTLogWarn("-[InputEmulator PostMouseEvent:eventType:count:]", "no event posting service; click dropped");
        return;
    }
    const Point at = posting->pointerLocation();
    if (const int32_t result = posting->postMouseEvent(eventType, button, count, at); result != 0)
        BTLogWarn("-[InputEmulator PostMouseEvent:eventType:count:]", "posting mouse event %u failed: %d", eventType,
                  result);
}

void InputEmulator::postScroll(int64_t amount)
{
    EventPosting* posting = services().eventPosting;
    if (!posting) {
        BTLogWarn("-[InputEmulator sendKeyboard:down:key:]", "no event posting service; scroll dropped");
        return;
    }
    if (const int32_t result = posting->postScrollWheelEvent(static_cast<int32_t>(amount), 0); result != 0)
        BTLogWarn("-[InputEmulator sendKeyboard:down:key:]", "posting scroll failed: %d", result);
}
