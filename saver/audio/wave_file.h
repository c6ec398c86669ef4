#pragma once

// The saver's reader for RIFF WAVE sound files. Files come from the installation folder and are
// treated as untrusted: every length is checked against the bytes really there, and only sounds a
// sound device can play as they stand are accepted.

#include <cstddef>
#include <cstdint>
#include <string>

#include "saver/audio/wave_sound.h"

namespace ironwood {

// The largest sound file read. The saver's own sounds are a few hundred kilobytes.
inline constexpr std::uintmax_t kMaxWaveFileBytes = 64u << 20;

// Accepted sample rates, in samples per second.
inline constexpr std::uint32_t kMinWaveSampleRate = 1000;
inline constexpr std::uint32_t kMaxWaveSampleRate = 192000;

// Reads the sound in a RIFF WAVE image: "RIFF" at 0, "WAVE" at 8, then chunks (4-character id,
// little-endian 32-bit length, the bytes, padded to an even length). The last "fmt " chunk before
// the "data" chunk gives the format; the "data" chunk gives the samples and ends the walk; other
// chunks are skipped. The walk ends at the RIFF size or the end of the bytes, whichever is first,
// and no chunk may reach past the end of the bytes.
//
// Accepted: uncompressed PCM (format tag 1), 1 or 2 channels, 8 or 16 bits per sample, a sample
// rate from kMinWaveSampleRate to kMaxWaveSampleRate, block align channels * bits / 8, average
// bytes per second rate * block align, and a non-empty data chunk holding whole sample frames.
// The format record's extra-size field is always 0: the record carries no extra bytes. A 16-byte
// format chunk is read as such, never with the two bytes after it.
//
// On success `out` holds the format and the samples. On failure `out` is untouched and `why`
// holds one reason.
bool DecodeWave(const std::uint8_t* bytes, std::size_t size, WaveSound* out, std::string* why);

// Reads `path` (a regular file of at most kMaxWaveFileBytes bytes) and decodes it as above. The
// reason on failure names the file.
bool LoadWaveFile(const std::string& path, WaveSound* out, std::string* why);

}  // namespace ironwood
