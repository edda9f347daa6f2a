#include "BTPrivilegedTask.h"

#include "Authorization.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "SystemLog.h"

#include <QFile>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

const char* const BTPrivilegedTaskDidTerminateNotification = "BTPrivilegedTaskDidTerminateNotification";

namespace {
constexpr int kCheckStatusIntervalMs = 100;

std::string currentFolder()
{
    std::error_code ec;
    std::string path = std::filesystem::current_path(ec).string();
    return ec ? std::string() : path;
}
} // namespace

std::shared_ptr<BTPrivilegedTask> BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(const std::string& path)
{
    auto task = std::make_shared<BTPrivilegedTask>(path);
    task->launch();
    task->waitUntilExit();
    return task;
}

std::shared_ptr<BTPrivilegedTask> BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(
    const std::string& path, const std::vector<std::string>& arguments)
{
    auto task = std::make_shared<BTPrivilegedTask>(path, arguments);
    task->launch();
    task->waitUntilExit();
    return task;
}

BTPrivilegedTask::BTPrivilegedTask() : cwd_(currentFolder()) {}

BTPrivilegedTask::BTPrivilegedTask(const std::string& path) : BTPrivilegedTask()
{
    launchPath_ = path;
}

BTPrivilegedTask::BTPrivilegedTask(const std::string& path, const std::vector<std::string>& arguments)
    : BTPrivilegedTask(path)
{
    arguments_ = arguments;
}

// The timer holds a reference while it runs, so it is gone by now.
BTPrivilegedTask::~BTPrivilegedTask() = default;

int32_t BTPrivilegedTask::launch()
{
    static const char* const method = "-[BTPrivilegedTask launch]";
    // A second launch would orphan the first tool: nothing would reap it.
    if (isRunning_.load()) return -EBUSY;
    // The timer keeps the task alive through a shared reference.
    auto self = weak_from_this().lock();
    if (!self) {
        BTLogWarn(method, "a task must be owned by a std::shared_ptr to be launched");
        return -EINVAL;
    }
    Authorization* authorization = Platform::services().authorization;
    if (!authorization) {
        BTLogWarn(method, "no authorization service; %s not run", launchPath_.c_str());
        return -ENOSYS;
    }

    const PrivilegedExecution run = authorization->executeWithPrivileges(launchPath_, arguments_, cwd_);
    if (run.status != 0) return run.status;

    auto handle = std::make_shared<QFile>();
    if (handle->open(run.outputFd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        outputFileHandle_ = std::move(handle);
    } else {
        // The tool runs regardless; only its output is lost.
        BTLogWarn(method, "cannot read the output of %s", launchPath_.c_str());
        close(run.outputFd);
    }
    pid_.store(run.pid);
    isRunning_.store(true);

    checkStatusTimer_ = std::make_unique<QTimer>();
    checkStatusTimer_->setInterval(kCheckStatusIntervalMs);
    QObject::connect(checkStatusTimer_.get(), &QTimer::timeout, [self] { self->_checkTaskStatus(); });
    checkStatusTimer_->start();
    return 0;
}

void BTPrivilegedTask::waitUntilExit()
{
    // Waiting for pid 0 would collect any child of this process group.
    const pid_t pid = pid_.load();
    if (pid <= 0) return;
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r == pid) terminationStatus_.store(status);
    isRunning_.store(false);
}

void BTPrivilegedTask::_checkTaskStatus()
{
    const pid_t pid = pid_.load();
    if (pid <= 0) return; // never launched: no child of ours to look for
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == 0) return;
    if (r > 0) terminationStatus_.store(status);
    isRunning_.store(false);
    NotificationCenter::defaultCenter().postNotification(BTPrivilegedTaskDidTerminateNotification, this);
    // Deleting the timer inside its own timeout is safe in Qt; its callback's
    // reference to this task is released once the callback returns.
    checkStatusTimer_.reset();
}

std::string BTPrivilegedTask::description() const
{
    char head[64];
    std::snprintf(head, sizeof head, "<BTPrivilegedTask: %p>", static_cast<const void*>(this));
    std::string text = head;
    text += ' ';
    text += launchPath_;
    for (const auto& argument : arguments_) {
        text += ' ';
        text += argument;
    }
    return text;
}
