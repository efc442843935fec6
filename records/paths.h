// Path utilities of the tool.
#pragma once

constexpr int TOOL_WORKING_DIR_READ = 256;

// The current directory followed by a separator, with every "\" turned into "/". The
// buffer must hold TOOL_PATH_SIZE characters. False when the directory is longer than
// 255 characters or cannot be read; the buffer is then empty.
bool Tool_GetWorkingDir(char *buffer);

// In place: "/" becomes "\", then each pair of adjacent backslashes becomes one, in one
// pass from left to right.
void Tool_BackSlashPath(char *path);

// Creates every folder of path from the left; failures are ignored.
void Tool_MakeDirPath(const char *path);

// Creates the folders of the text up to and including the last separator.
void Tool_MakeDirForFile(const char *path);

// In place: removes the extension (from the last "." after the last separator) and
// appends text. The buffer must hold the result; callers check the length first.
void Tool_ReplaceExtension(char *path, const char *text);
