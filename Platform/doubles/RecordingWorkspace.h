#pragma once
// A workspace that records every path it is asked to open and starts nothing.
// Thread-safe.
#include "Workspace.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class RecordingWorkspace : public Workspace {
public:
    using Observer = std::function<void(const std::string& path)>;

    int32_t openPath(const std::string& path) override;

    std::vector<std::string> openedPaths() const;
    // "launch <path>" for a path.
    static std::string describe(const std::string& path);
    void clear();
    // Called with each path as it is recorded.
    void setObserver(Observer observer);
    // What openPath returns from now on (0: started); the path is recorded either way.
    void setResult(int32_t result);

private:
    mutable std::mutex mutex_;
    std::vector<std::string> paths_;
    Observer observer_;
    int32_t result_ = 0;
};
