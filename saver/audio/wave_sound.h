#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ironwood {

// One sound as the saver keeps it in memory: the 18-byte wave format header (format tag,
// channels, samples per second, average bytes per second, block align, bits per sample, extra
// size; little-endian) and the PCM sample bytes. Ship classes hold three read from their
// plug-in; the audio side makes each sounding object its own playable copy from this record.
struct WaveSound {
  std::array<std::uint8_t, 18> format{};
  std::vector<std::uint8_t> data;

  std::uint32_t dataSize() const { return static_cast<std::uint32_t>(data.size()); }
  bool empty() const { return data.empty(); }
};

}  // namespace ironwood
