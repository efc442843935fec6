// Bounded and rotating formatted printing.
#pragma once

#include <cstdarg>

#if defined(__GNUC__)
#define COM_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define COM_PRINTF(fmt, args)
#endif

// Formats into dest and always terminates it at dest[size - 1]; longer output is cut.
void Com_FormatBuffer(char *dest, int size, const char *format, ...) COM_PRINTF(3, 4);
void Com_FormatBufferV(char *dest, int size, const char *format, va_list args);

// Formats into a 32000-byte ring and returns the text there. The result stays valid
// until later calls wrap around the ring; callers that keep it copy it.
const char *va(const char *format, ...) COM_PRINTF(1, 2);

// Copies at most size - 1 characters of src into dest and always terminates.
void Str_Copy(char *dest, const char *src, int size);
