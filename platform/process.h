// Child processes.
#pragma once

// Starts the program named by argv[0], relative to the current directory and without a
// search path, with argv (null-terminated) as its arguments, and waits for it. Returns
// its exit status, or -1 when it could not be started or did not exit normally (then
// Plat_LastError() tells why).
int Plat_SpawnWait(const char *const *argv);
