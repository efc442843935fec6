// Start-up and shutdown of the tool.
#pragma once

void Tool_SetDefaults();
// Derives the kit's folders from the working directory, starts the settings registry
// and the file system. Raises ComErrorClass when the tool cannot start.
void Tool_Init();
// Takes the kit's lock, waiting for another run that holds it, then makes the scratch
// folder. False when an interrupt ended the wait; nothing was changed then.
bool Tool_LockKit();
// Shuts everything down, prints the run report of a conversion run, and returns the
// number of error records it counted (0 when no report was printed).
int Tool_Shutdown();
