#include "tools/assetgen/wav.h"

#include <cstdio>
#include <limits>

namespace ironwood::assetgen {
namespace {

void PutTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
  out.insert(out.end(), tag, tag + 4);
}

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> EncodeWav(const std::vector<std::int16_t>& samples, int channels,
                                    int sampleRate) {
  constexpr std::uint32_t kBitsPerSample = 16;
  constexpr std::uint32_t kBytesPerSample = kBitsPerSample / 8;
  constexpr std::uint32_t kHeaderBytes = 44;
  // The block align field is 16 bits wide.
  if (channels <= 0 || channels > 0xFFFF / static_cast<int>(kBytesPerSample) || sampleRate <= 0) {
    return {};
  }
  if (samples.size() % static_cast<std::size_t>(channels) != 0) return {};
  const std::uint64_t dataBytes = static_cast<std::uint64_t>(samples.size()) * kBytesPerSample;
  if (dataBytes > std::numeric_limits<std::uint32_t>::max() - (kHeaderBytes - 8)) return {};
  const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels) * kBytesPerSample;
  const std::uint64_t byteRate = static_cast<std::uint64_t>(sampleRate) * blockAlign;
  if (byteRate > std::numeric_limits<std::uint32_t>::max()) return {};

  std::vector<std::uint8_t> out;
  out.reserve(kHeaderBytes + static_cast<std::size_t>(dataBytes));
  PutTag(out, "RIFF");
  PutU32(out, static_cast<std::uint32_t>(kHeaderBytes - 8 + dataBytes));
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutU32(out, 16);
  PutU16(out, 1);  // PCM
  PutU16(out, static_cast<std::uint32_t>(channels));
  PutU32(out, static_cast<std::uint32_t>(sampleRate));
  PutU32(out, static_cast<std::uint32_t>(byteRate));
  PutU16(out, blockAlign);
  PutU16(out, kBitsPerSample);
  PutTag(out, "data");
  PutU32(out, static_cast<std::uint32_t>(dataBytes));
  for (std::int16_t sample : samples) PutU16(out, static_cast<std::uint16_t>(sample));
  return out;
}

}  // namespace ironwood::assetgen
