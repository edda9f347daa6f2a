#pragma once
// posix_spawn attributes for a child that starts clean: no blocked signal and
// every signal at its default action. The driver blocks its stop signals and
// may have been started with some ignored (nohup); a child that inherited
// either would outlive a stopped driver.
#include <csignal>
#include <spawn.h>

class SpawnAttributes {
public:
    explicit SpawnAttributes(short flags = 0)
    {
        posix_spawnattr_init(&attributes_);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes_, &signals);
        sigfillset(&signals);
        posix_spawnattr_setsigdefault(&attributes_, &signals);
        posix_spawnattr_setflags(&attributes_, static_cast<short>(flags | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};
