// Child processes.
#pragma once

// Starts the program named by argv[0], relative to the current directory and without a
// search path, with argv (null-terminated) as its arguments, and waits for it. Returns
// its exit status, or -1 when it could not be started or did not exit normally (then
// Plat_LastError() tells why).
int Plat_SpawnWait(const char *const *argv);

// A program started without waiting for it.
struct PlatProcess;

// Starts the program as Plat_SpawnWait does, without waiting. Null when it cannot be
// started, with Plat_LastError() set as Plat_SpawnWait would set it.
PlatProcess *Plat_Spawn(const char *const *argv);

// Waits until one of count started programs (at most 64) ends, and releases it. Returns
// its index in processes; status receives its exit status, or -1 when it did not exit
// normally, and Plat_LastError() is set as Plat_SpawnWait leaves it. -1 when there is
// nothing to wait for.
int Plat_WaitAny(PlatProcess *const *processes, int count, int *status);
