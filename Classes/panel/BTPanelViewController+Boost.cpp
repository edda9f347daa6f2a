// The priority boost: every thread of the driver at the highest scheduling
// priority. On Linux a nice value belongs to a thread, so each thread that
// exists at the click is named, the driver thread among them.
#include "BTPanelViewController.h"

#include "BTPrivilegedTask.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

std::vector<long> BTPanelViewController::processThreadIds()
{
    std::vector<long> ids;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
        const std::string name = entry.path().filename().string();
        char* end = nullptr;
        const long id = std::strtol(name.c_str(), &end, 10);
        if (end != name.c_str() && *end == '\0' && id > 0) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<std::string> BTPanelViewController::reniceArguments(const std::vector<long>& threadIds)
{
    std::vector<std::string> arguments{"-n", "-20", "-p"};
    for (long id : threadIds) arguments.push_back(std::to_string(id));
    return arguments;
}

void BTPanelViewController::didClickImproveSpeed(QObject*)
{
    // pkexec already runs the tool as root. The status is ignored and nothing
    // is shown: a refused password simply ends the action. The task keeps
    // itself alive until it has seen the tool end.
    auto task = std::make_shared<BTPrivilegedTask>(kReniceTool, reniceArguments(processThreadIds()));
    task->launch();
}
