#pragma once
// The two fixed tables between key names and virtual key codes, and the short
// text a command string is shown as on the panel's key buttons and in the tips
// window. Built once; never changed afterwards, so reads need no lock.
#include <cstdint>
#include <map>
#include <string>

class KeyMapInfo {
public:
    static KeyMapInfo& shared();

    KeyMapInfo();
    KeyMapInfo(const KeyMapInfo&) = delete;
    KeyMapInfo& operator=(const KeyMapInfo&) = delete;

    // Code to name, for capturing a key press (113 entries, right-hand
    // modifiers included).
    const std::map<int64_t, std::string>& keyString() const { return keyString_; }
    // Name to code, for running a command (109 entries; Control is "Ctrl").
    const std::map<std::string, int32_t>& keyCode() const { return keyCode_; }

    // The display text of a command string: action words in words, "Undefined"
    // for nothing, a lone ";" shown as a blank.
    static std::string shortkeyToChina(const std::string& command);

private:
    void initKey();
    void initCode();

    std::map<int64_t, std::string> keyString_;
    std::map<std::string, int32_t> keyCode_;
};
