#pragma once
// Runs one command-line tool as the superuser, after the system has asked the
// user for an administrator's credentials. Shaped like an ordinary process
// launcher, except that the tool cannot be stopped: callers wait for its end.
//
// Tasks live in a std::shared_ptr: once launched, the status timer holds a
// reference until it has seen the tool end, so a caller may drop its own.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class QFile;
class QTimer;

// Posted once, with the task as object, when the poll sees that the tool ended.
extern const char* const BTPrivilegedTaskDidTerminateNotification;

class BTPrivilegedTask : public std::enable_shared_from_this<BTPrivilegedTask> {
public:
    // Create, launch, then wait until the tool ends, collecting its output
    // meanwhile: the handle then reads all of it. The launch status is not checked.
    static std::shared_ptr<BTPrivilegedTask> launchedPrivilegedTaskWithLaunchPath(const std::string& path);
    static std::shared_ptr<BTPrivilegedTask> launchedPrivilegedTaskWithLaunchPath(
        const std::string& path, const std::vector<std::string>& arguments);

    BTPrivilegedTask();
    explicit BTPrivilegedTask(const std::string& path);
    BTPrivilegedTask(const std::string& path, const std::vector<std::string>& arguments);
    ~BTPrivilegedTask();
    BTPrivilegedTask(const BTPrivilegedTask&) = delete;
    BTPrivilegedTask& operator=(const BTPrivilegedTask&) = delete;

    // 0 once the user has authorised and the tool runs; otherwise the status of
    // the step that failed (-EINVAL for a launch path that is not absolute,
    // refused before anything is asked), with the task left idle. Blocks while
    // the system asks for credentials. The polling timer runs on the calling
    // thread's loop.
    int32_t launch();
    // Blocks until the tool has ended; stores its raw wait status.
    void waitUntilExit();
    // A privileged tool cannot be stopped from here.
    void terminate() {}
    std::string description() const;

    const std::string& launchPath() const { return launchPath_; }
    void setLaunchPath(const std::string& path) { launchPath_ = path; }
    const std::vector<std::string>& arguments() const { return arguments_; }
    void setArguments(const std::vector<std::string>& arguments) { arguments_ = arguments; }
    const std::string& currentDirectoryPath() const { return cwd_; }
    void setCurrentDirectoryPath(const std::string& path) { cwd_ = path; }
    bool isRunning() const { return isRunning_.load(); }
    int32_t processIdentifier() const { return pid_.load(); }
    int32_t terminationStatus() const { return terminationStatus_.load(); }
    // Reading end of the tool's standard output; after the class launchers, a
    // file holding all of it. Closed when the last owner lets go.
    std::shared_ptr<QFile> outputFileHandle() const { return outputFileHandle_; }

    // The timer's poll.
    void _checkTaskStatus();

private:
    void collectOutputUntilExit();

    std::string launchPath_;
    std::vector<std::string> arguments_;
    std::string cwd_;
    std::atomic<bool> isRunning_{false};
    std::atomic<int32_t> pid_{0};
    std::atomic<int32_t> terminationStatus_{0};
    std::shared_ptr<QFile> outputFileHandle_;
    std::unique_ptr<QTimer> checkStatusTimer_;
};
