// Internal to the Win32 backend: recording the Windows code of a failed call. Win32 calls
// report through GetLastError; the C runtime keeps the system's code of its own failed
// call in _doserrno, and only errno for failures it found itself.
#pragma once

#include <cstdint>

// Plat_SetLastError(GetLastError()).
void Win32_SetLastErrorFromSystem();

// Clears the C runtime's record of the system's code; call it before a C runtime call
// whose failure is then recorded with Win32_SetLastErrorFromCrt.
void Win32_ClearCrtError();

// Records the failure of a C runtime call: the system's code when the runtime saw one,
// otherwise its errno translated to Windows numbering.
void Win32_SetLastErrorFromCrt();
