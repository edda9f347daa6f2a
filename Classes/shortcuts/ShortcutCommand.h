#pragma once
// The pieces of a command string that both its reader and its display text
// need. The run part is always last (the store appends it last), and its path
// may hold any character, the separators "+" ";" ":" and action words
// included, so everything after the first "RunFile:" is the path.
#include <string>
#include <string_view>

namespace ShortcutCommand {

inline constexpr std::string_view kRunWord = "RunFile:";

struct Split {
    std::string_view head; // the command before "RunFile:" (all of it when there is no run part)
    bool hasRun = false;
    std::string_view path; // the rest of the command after "RunFile:"
};

inline Split splitRunPart(std::string_view command)
{
    const size_t at = command.find(kRunWord);
    if (at == std::string_view::npos) return {command, false, {}};
    return {command.substr(0, at), true, command.substr(at + kRunWord.size())};
}

} // namespace ShortcutCommand
