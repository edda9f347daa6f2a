#include "StopSignals.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
} // namespace

void StopSignals::block()
{
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    const sigset_t set = stopSignals();
    descriptor_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (descriptor_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(descriptor_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info{};
        while (read(descriptor_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            emit received(static_cast<int>(info.ssi_signo));
    });
}

StopSignals::~StopSignals()
{
    notifier_.reset();
    if (descriptor_ >= 0) close(descriptor_);
}
