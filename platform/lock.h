// A lock on a file that the operating system holds for this process: it ends with the
// process however that ends, so nothing is ever left to clean up.
#pragma once

struct PlatLock;

// Opens the file at path (created when missing, never through a link) and takes an
// exclusive lock on it. Without wait, answers null at once when another process holds
// the lock (PLAT_ERROR_LOCK_VIOLATION). With wait, waits until the lock is free; an
// interrupt (Plat_Interrupted) ends the wait with null and PLAT_ERROR_OPERATION_ABORTED.
// Any other failure answers null with its code.
PlatLock *Plat_LockFile(const char *path, bool wait);

// Releases the lock and closes the file; the file stays.
void Plat_UnlockFile(PlatLock *lock);
