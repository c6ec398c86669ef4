// RIFF WAVE sounds. Input: the file.

#include "saver/audio/wave_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void Wave(const std::uint8_t* data, std::size_t size) {
  WaveSound sound;
  std::string why;
  if (!DecodeWave(data, size, &sound, &why)) {
    Check(!why.empty(), "a refused sound gives a reason");
    Check(sound.empty(), "a refused sound changes nothing");
    return;
  }
  const auto le16 = [&](int at) { return sound.format[at] | sound.format[at + 1] << 8; };
  const int channels = le16(2), blockAlign = le16(12), bits = le16(14);
  Check(le16(0) == 1, "only PCM");
  Check((channels == 1 || channels == 2) && (bits == 8 || bits == 16), "a playable layout");
  Check(blockAlign == channels * bits / 8, "the block is one frame");
  Check(!sound.data.empty() && sound.data.size() % blockAlign == 0, "whole frames");
  Check(sound.data.size() + 44 <= size, "the samples come from the file");
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(Wave)
