// Reading and writing a file in one piece, as the wave layer's callers handle images.
#pragma once

// The whole file in a new heap buffer of its length plus one byte (the extra byte is
// zero; release the buffer with free). The size out, when given, receives the length
// (0 when the file cannot be opened). Returns null when the file cannot be opened,
// sought or read in full, when its length is negative or does not fit an int, or when
// the allocation fails.
unsigned char *Tool_ReadWholeFile(const char *path, int *sizeOut);

// Writes size bytes to path through a temporary file beside it, forced to the disk and
// then renamed over path, so no reader ever sees a partial target. True when all bytes
// were written and the file replaced. On failure the temporary file is removed, an
// existing file at path is left as it was, and Plat_LastError() tells why.
bool Tool_WriteWholeFile(const char *path, int size, const unsigned char *buffer);
