// Command-line conventions shared by the encoder programs: numbers, usage and failures.
#pragma once

#include <string>

// Parses text as a plain decimal number within [min, max]; answers false for anything else
// (sign, spaces, trailing characters, overflow, out of range).
bool Enc_ParseNumber(const char *text, long min, long max, long &value);

// Prints "usage: <usage>" on standard error and answers the exit status for bad arguments (2).
int Enc_Usage(const char *usage);

// Prints "<program>: <message>" on standard error and answers the exit status for a failed
// conversion (1).
int Enc_Fail(const char *program, const std::string &message);
