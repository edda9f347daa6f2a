#pragma once
// The shortcut executor: announces each hardware-key press, reads a command
// string into actions and performs them through the platform's event-posting
// and workspace services. Runs on the main thread only.
//
// The command language: groups separated by ";", tokens separated by "+",
// empty ones skipped; each group yields at most one action, the record touched
// last. A token is an action word when it contains one (Monitor, MouseLeft,
// MouseDoubleClick, MouseRight, MouseMiddle, ScrollForward, ScrollBack, E,B),
// else a key name; key names accumulate into one chord. Everything after the
// first "RunFile:" is the path of a program to open.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

struct PlatformServices;

// A key chord: one key with modifier flags, or modifiers alone.
struct KeyInfo {
    static constexpr int64_t kNoKey = 0xFFFF; // modifiers only
    int64_t virtualKey = 0;
    int64_t flags = 0;
    friend bool operator==(const KeyInfo&, const KeyInfo&) = default;
};

// A mouse click or a scroll (non-zero scroll).
struct MouseInfo {
    uint32_t button = 0;
    uint32_t event = 0; // type of the press; the release is event + 1
    int64_t scroll = 0;
    int64_t count = 0;
    friend bool operator==(const MouseInfo&, const MouseInfo&) = default;
};

class InputEmulator {
public:
    using Action = std::variant<KeyInfo, MouseInfo>;

    // Posted on every press before its command runs; user info "kid": the key id.
    static constexpr const char* DownKey = "DownKey";
    // Posted by the display-switch action on a press.
    static constexpr const char* Monitor = "Monitor";

    // services: where events go and programs start; null: the process's services.
    explicit InputEmulator(PlatformServices* services = nullptr);

    // Presses delivered since creation, over all keys; the brush switch reads its parity.
    int32_t downCount() const { return downCount_; }

    // Runs a key's command on a press (down) or on its release.
    void sendKeyboard(const std::string& command, bool down, int32_t kid);
    // The command's actions in order. On a press (status) it also performs the
    // display switch and the program launch itself.
    std::vector<Action> parseCmd(const std::string& command, bool status);

    // One key event; virtual key 0xFFFF posts the modifiers in flags as
    // modifier keys: down in the order Command, Shift, Option, Control, up in reverse.
    void PostKeyboardEvent(uint16_t keyCode, uint64_t flags, bool down);
    // One mouse event at the pointer.
    void PostMouseEvent(uint32_t button, uint32_t eventType, int64_t count);

private:
    PlatformServices& services() const;
    void launch(const std::string& path);
    void perform(const Action& action, bool down);
    void postScroll(int64_t amount);

    PlatformServices* services_ = nullptr;
    int32_t downCount_ = 0;
};
