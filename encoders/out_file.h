// Paths as the kit tool spells them, and output files that appear whole or not at all.
#pragma once

#include "encoders/riff_bytes.h"

#include <string>

// Gives path in this system's spelling: every '\' becomes '/', so that the kit tool's
// "tempEncodings\temp.rate.wav" names the file in the tempEncodings folder.
std::string Enc_NativePath(const std::string &path);

// Writes bytes to path (native spelling) through a temporary file in the same folder that
// is renamed over path once complete, so readers never see a partial file. On any failure
// the temporary file is removed, path is left as it was, and the answer is false with the
// reason in error.
bool Enc_WriteFileWhole(const std::string &path, const EncBytes &bytes, std::string &error);
