// Command-line conventions shared by the encoder programs: numbers, usage and failures.
#include "encoders/cli.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

bool Enc_ParseNumber(const char *text, long min, long max, long &value)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char *end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    value = v;
    return true;
}

int Enc_Usage(const char *usage)
{
    std::fprintf(stderr, "usage: %s\n", usage);
    return 2;
}

int Enc_Fail(const char *program, const std::string &message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}
