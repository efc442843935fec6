// Interrupts from the user (Ctrl-C, Ctrl-Break, SIGINT, SIGTERM) and the exit status a
// parent process sees.
#pragma once

// From here on, the first interrupt only sets a flag that the run polls and acts on; a
// second one ends the process at once, as an interrupt would have without this.
void Plat_CatchInterrupts();

// True once an interrupt has arrived.
bool Plat_Interrupted();

// The exit status of a program that stopped because of an interrupt, by the platform's
// convention (130 on POSIX, STATUS_CONTROL_C_EXIT on Windows).
int Plat_InterruptedExitStatus();

// The exit status that reports count, as far as a parent can see it: POSIX keeps only the
// low eight bits of a status, so larger counts become 255 there (never 0 for a non-zero
// count); Windows keeps the whole count.
int Plat_ExitStatus(int count);
