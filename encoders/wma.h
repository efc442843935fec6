// The Windows Media Audio encoder behind WMAEncode.exe: libavcodec's wmav2 in an XWMA file.
#pragma once

#include "encoders/riff_bytes.h"
#include "encoders/wave_io.h"

#include <string>

// Encodes wave (1 or 2 channels) as Windows Media Audio v2 at about bitRate bits per second
// and builds the RIFF "XWMA" image: a fmt chunk of tag 0x161 carrying the codec's setup
// bytes after cbSize, a dpds chunk and a data chunk of equal-sized packets.
//
// Timing: what the encoder is fed with its first frame never comes out of a WMA decoder,
// and the samples of one frame are complete only once the next packet is decoded. So one
// frame of silence is coded ahead of the sound and one behind it; decoding then yields the
// sound at its own sample positions, followed by silence. The dpds entry of each packet is
// the running total of 16-bit PCM bytes of the sound complete once that packet is decoded,
// so the last entry is exactly frames * channels * 2.
//
// Answers false with the reason in error when the wave has no frames or more than two
// channels, or when the codec refuses its rate or the bit rate.
bool Enc_BuildXwma(const EncWave &wave, long bitRate, EncBytes &image, std::string &error);
