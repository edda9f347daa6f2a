#include "RecordingWorkspace.h"

int32_t RecordingWorkspace::openPath(const std::string& path)
{
    Observer observer;
    int32_t result = 0;
    {
        std::lock_guard lock(mutex_);
        paths_.push_back(path);
        observer = observer_;
        result = result_;
    }
    if (observer) observer(path);
    return result;
}

std::vector<std::string> RecordingWorkspace::openedPaths() const
{
    std::lock_guard lock(mutex_);
    return paths_;
}

std::string RecordingWorkspace::describe(const std::string& path) { return "launch " + path; }

void RecordingWorkspace::clear()
{
    std::lock_guard lock(mutex_);
    paths_.clear();
}

void RecordingWorkspace::setObserver(Observer observer)
{
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void RecordingWorkspace::setResult(int32_t result)
{
    std::lock_guard lock(mutex_);
    result_ = result;
}
