#pragma once
// The signals that steer a running copy: INT and TERM end it, HUP re-reads the settings,
// USR1 resets, USR2 starts a test. Both front ends read them from a signalfd.
#include <signal.h>

#include <functional>

namespace nodrel::linux_platform {

sigset_t ControlSignals();

// Reads one signal from `signalFd` and calls its handler (if set). One signal per call; a
// further one keeps the descriptor readable.
void DispatchControlSignal(int signalFd, const std::function<void()>& exit,
                           const std::function<void()>& reload, const std::function<void()>& reset,
                           const std::function<void()>& test);

// Takes a pending SIGINT or SIGTERM (blocked, as above) without waiting, and leaves the
// other signals for the signalfd: for when the thread cannot get back to its event loop.
bool TakeExitSignal();

}  // namespace nodrel::linux_platform
