// Start-up and shutdown of the tool.
#pragma once

void Tool_SetDefaults();
// Derives the kit's folders from the working directory, starts the settings registry
// and the file system. Raises ComErrorClass when the tool cannot start.
void Tool_Init();
// Shuts everything down, prints the run report of a conversion run, and returns the
// number of error records it counted (0 when no report was printed).
int Tool_Shutdown();
