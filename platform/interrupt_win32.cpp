// Win32 backend of interrupts and exit statuses. The console control handler runs on a
// thread of its own; it only sets a flag. A second Ctrl-C or Ctrl-Break is left to the
// system's own handler, which ends the process.
#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>

namespace
{
std::atomic<bool> interrupted{false};

BOOL WINAPI OnControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    return interrupted.exchange(true) ? FALSE : TRUE;
}
} // namespace

void Plat_CatchInterrupts()
{
    SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Plat_Interrupted()
{
    return interrupted.load();
}

int Plat_InterruptedExitStatus()
{
    return static_cast<int>(STATUS_CONTROL_C_EXIT);
}

int Plat_ExitStatus(int count)
{
    return count;
}
