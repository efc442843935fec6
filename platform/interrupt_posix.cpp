// POSIX backend of interrupts and exit statuses. The handler only sets a flag; a second
// signal puts the default action back and raises the signal again, which ends the process
// as the signal would have.
#include "platform/interrupt.h"

#include <csignal>
#include <initializer_list>

namespace
{
volatile sig_atomic_t interrupted = 0;
constexpr int INTERRUPTED_STATUS = 130; // 128 + SIGINT, as shells report it
constexpr int LARGEST_STATUS = 255;

void OnInterrupt(int signal)
{
    if (interrupted)
    {
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigaction(signal, &fallback, nullptr);
        raise(signal);
        return;
    }
    interrupted = 1;
}
} // namespace

void Plat_CatchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    // Calls in progress go on: the run decides what to do at its next look at the flag.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    for (int signal : {SIGINT, SIGTERM})
    {
        // A signal the parent has us ignore (a job started in the background) stays ignored.
        struct sigaction old = {};
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

bool Plat_Interrupted()
{
    return interrupted != 0;
}

int Plat_InterruptedExitStatus()
{
    return INTERRUPTED_STATUS;
}

int Plat_ExitStatus(int count)
{
    return count > LARGEST_STATUS ? LARGEST_STATUS : count;
}
