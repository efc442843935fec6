// Com_FormatBuffer and the va ring.
#include "engine/common/format.h"

#include "engine/common/console.h"

#include <cstdio>
#include <cstring>

void Com_FormatBufferV(char *dest, int size, const char *format, va_list args)
{
    if (size <= 0)
        return;
    vsnprintf(dest, static_cast<size_t>(size), format, args);
    dest[size - 1] = 0;
}

void Com_FormatBuffer(char *dest, int size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Com_FormatBufferV(dest, size, format, args);
    va_end(args);
}

namespace
{
constexpr int VA_SIZE = 32000;
char vaWork[VA_SIZE];
char vaRing[VA_SIZE];
int vaCursor;
} // namespace

const char *va(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int result = vsnprintf(vaWork, VA_SIZE, format, args);
    va_end(args);
    vaWork[VA_SIZE - 1] = 0;
    if (result < 0 || result >= VA_SIZE)
        Com_ReportError("Attempted to overrun string in call to va()\n");

    // After an overrun the work area holds the cut text, so the copy stays in the ring.
    int length = static_cast<int>(strlen(vaWork));
    if (vaCursor + length >= VA_SIZE - 1)
        vaCursor = 0;
    char *text = vaRing + vaCursor;
    memcpy(text, vaWork, static_cast<size_t>(length) + 1);
    vaCursor += length + 1;
    return text;
}

void Str_Copy(char *dest, const char *src, int size)
{
    if (size <= 0)
        return;
    size_t n = strnlen(src, static_cast<size_t>(size - 1));
    memcpy(dest, src, n);
    dest[n] = 0;
}
