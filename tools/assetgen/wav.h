#pragma once

#include <cstdint>
#include <vector>

namespace ironwood::assetgen {

// Builds a canonical RIFF/WAVE file: the 12-byte RIFF header, a 16-byte PCM "fmt " chunk and one
// "data" chunk holding 16-bit samples, all little-endian whatever the host. Multi-channel samples
// are interleaved frame by frame. Returns an empty vector when channels or sampleRate is not
// positive, when the sample count is not a whole number of frames, or when the result would not
// fit the 32-bit RIFF size field.
std::vector<std::uint8_t> EncodeWav(const std::vector<std::int16_t>& samples, int channels,
                                    int sampleRate);

}  // namespace ironwood::assetgen
