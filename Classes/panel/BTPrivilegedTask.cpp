#include "BTPrivilegedTask.h"

#include "Authorization.h"
#include "NotificationCenter.h"
#include "PlatformServices.h"
#include "SystemLog.h"

#include <QFile>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sys/mman.h>
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

// Whether the child has ended, without collecting it.
bool hasEnded(pid_t pid)
{
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return errno != EINTR;
    return info.si_pid == pid;
}

// Everything the tool writes until it closes its output, or until it has
// ended and nothing more is waiting: a child it left behind may hold the pipe.
std::string readUntilEnd(int fd, pid_t pid)
{
    std::string output;
    char buffer[65536];
    bool ended = false;
    for (;;) {
        pollfd poller{fd, POLLIN, 0};
        const int ready = poll(&poller, 1, ended ? 0 : kCheckStatusIntervalMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready > 0) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) output.append(buffer, static_cast<size_t>(n));
            if (n > 0 || (n < 0 && errno == EINTR)) continue;
            break; // end of output, or a broken pipe
        }
        if (ready < 0 || ended) break;
        ended = hasEnded(pid);
    }
    return output;
}

// An anonymous file holding the text, read from its start.
std::shared_ptr<QFile> fileHolding(const std::string& text)
{
    const int fd = memfd_create("BTPrivilegedTask output", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    auto file = std::make_shared<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        close(fd);
        return nullptr;
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return nullptr;
        written += static_cast<size_t>(n);
    }
    return lseek(fd, 0, SEEK_SET) == 0 ? file : nullptr;
}
} // namespace

std::shared_ptr<BTPrivilegedTask> BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(const std::string& path)
{
    return launchedPrivilegedTaskWithLaunchPath(path, {});
}

std::shared_ptr<BTPrivilegedTask> BTPrivilegedTask::launchedPrivilegedTaskWithLaunchPath(
    const std::string& path, const std::vector<std::string>& arguments)
{
    auto task = std::make_shared<BTPrivilegedTask>(path, arguments);
    if (task->launch() == 0) task->collectOutputUntilExit();
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
    // A relative tool would be found from a folder that someone else may control.
    if (launchPath_.empty() || launchPath_.front() != '/') {
        BTLogWarn(method, "%s is not an absolute path; not run", launchPath_.c_str());
        return -EINVAL;
    }
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

// The class launchers wait on the caller's thread, where nothing else reads
// the tool's output: it is read meanwhile, so that no amount can block the
// tool, and handed back in a file.
void BTPrivilegedTask::collectOutputUntilExit()
{
    if (outputFileHandle_) {
        const std::string output = readUntilEnd(outputFileHandle_->handle(), pid_.load());
        outputFileHandle_ = fileHolding(output);
        if (!outputFileHandle_)
            BTLogWarn("+[BTPrivilegedTask launchedPrivilegedTaskWithLaunchPath:arguments:]",
                      "cannot keep the output of %s: %s", launchPath_.c_str(), std::strerror(errno));
    }
    waitUntilExit();
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
