#include "saver/audio/wave_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/file_bytes.h"

namespace ironwood {
namespace {

constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kPcmFormatBytes = 16;
constexpr std::uint16_t kPcmFormatTag = 1;

std::uint32_t Le32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::uint16_t Le16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

bool Fail(std::string* why, std::string reason) {
  if (why != nullptr) *why = std::move(reason);
  return false;
}

// Checks that the format record describes PCM a device plays as it stands, and that the data
// holds whole sample frames.
bool CheckFormat(const std::array<std::uint8_t, 18>& format, std::size_t dataSize,
                 std::string* why) {
  const std::uint16_t tag = Le16(&format[0]);
  const std::uint16_t channels = Le16(&format[2]);
  const std::uint32_t rate = Le32(&format[4]);
  const std::uint32_t averageBytes = Le32(&format[8]);
  const std::uint16_t blockAlign = Le16(&format[12]);
  const std::uint16_t bits = Le16(&format[14]);
  if (tag != kPcmFormatTag) {
    return Fail(why, "format tag " + std::to_string(tag) + " is not uncompressed PCM (1)");
  }
  if (channels != 1 && channels != 2) {
    return Fail(why, std::to_string(channels) + " channels (1 or 2 are played)");
  }
  if (bits != 8 && bits != 16) {
    return Fail(why, std::to_string(bits) + " bits per sample (8 or 16 are played)");
  }
  if (rate < kMinWaveSampleRate || rate > kMaxWaveSampleRate) {
    return Fail(why, "sample rate " + std::to_string(rate) + " outside " +
                         std::to_string(kMinWaveSampleRate) + " to " +
                         std::to_string(kMaxWaveSampleRate));
  }
  const std::uint32_t frameBytes = channels * bits / 8u;
  if (blockAlign != frameBytes) {
    return Fail(why, "block align " + std::to_string(blockAlign) + " instead of " +
                         std::to_string(frameBytes));
  }
  if (averageBytes != rate * frameBytes) {
    return Fail(why, "average bytes per second " + std::to_string(averageBytes) +
                         " instead of " + std::to_string(rate * frameBytes));
  }
  if (dataSize == 0) return Fail(why, "data chunk is empty");
  if (dataSize % frameBytes != 0) {
    return Fail(why, "data chunk of " + std::to_string(dataSize) +
                         " bytes does not hold whole sample frames of " +
                         std::to_string(frameBytes) + " bytes");
  }
  return true;
}

}  // namespace

bool DecodeWave(const std::uint8_t* bytes, std::size_t size, WaveSound* out, std::string* why) {
  if (bytes == nullptr || size < 12) return Fail(why, "too short for a RIFF WAVE header");
  if (std::memcmp(bytes, "RIFF", 4) != 0) return Fail(why, "does not begin with RIFF");
  if (std::memcmp(bytes + 8, "WAVE", 4) != 0) return Fail(why, "RIFF form is not WAVE");

  // 64-bit offsets throughout, so no length in the file can wrap an addition.
  const std::uint64_t fileEnd = size;
  const std::uint64_t walkEnd = std::min<std::uint64_t>(8u + std::uint64_t{Le32(bytes + 4)}, fileEnd);

  WaveSound sound;
  bool haveFormat = false;
  std::uint64_t at = 12;
  while (at + kChunkHeaderBytes <= walkEnd) {
    const std::uint8_t* header = bytes + at;
    const std::uint64_t length = Le32(header + 4);
    const std::uint64_t body = at + kChunkHeaderBytes;
    const bool fits = body + length <= fileEnd;
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (!fits) return Fail(why, "fmt chunk runs past the end of the file");
      if (length < kPcmFormatBytes) {
        return Fail(why, "fmt chunk of " + std::to_string(length) + " bytes (at least 16)");
      }
      // The first 16 bytes only: the extra-size field stays 0, as no extra bytes are carried,
      // and a 16-byte chunk's two following bytes belong to the next chunk or to nothing.
      sound.format.fill(0);
      std::memcpy(sound.format.data(), bytes + body, kPcmFormatBytes);
      haveFormat = true;
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!haveFormat) return Fail(why, "data chunk comes before any fmt chunk");
      if (!fits) {
        return Fail(why, "data chunk of " + std::to_string(length) +
                             " bytes runs past the end of the file");
      }
      if (!CheckFormat(sound.format, static_cast<std::size_t>(length), why)) return false;
      sound.data.assign(bytes + body, bytes + body + length);
      *out = std::move(sound);
      return true;
    } else if (!fits) {
      break;
    }
    at = body + length + (length & 1u);
  }
  return Fail(why, "no data chunk");
}

bool LoadWaveFile(const std::string& path, WaveSound* out, std::string* why) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, kMaxWaveFileBytes, &bytes, why)) return false;
  std::string reason;
  if (!DecodeWave(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out,
                  &reason)) {
    return Fail(why, path + ": " + reason);
  }
  return true;
}

}  // namespace ironwood
