#pragma once

// Sound effects as the operating system plays them: each sounding object (a ship, a torpedo) owns
// a buffer of its own filled once with the samples, so that one effect can sound from several
// objects at once. Playing only sets a volume and starts the buffer. An output may mix fewer
// sounds at once than it has buffers: then a Play can silence a quieter sound, or not sound.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace ironwood::platform {

class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;
  // Hundredths of a decibel: 0 is full loudness, -10000 silence.
  virtual void SetVolume(int hundredthsOfDecibel) = 0;
  // Plays once or round and round; a buffer that is already playing is not restarted.
  virtual void Play(bool looping) = 0;
  virtual void Stop() = 0;
};

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // A buffer of its own for these samples, described by an 18-byte wave format header (format
  // tag, channels, samples per second, average bytes per second, block align, bits per sample,
  // extra size; little-endian). Null when the buffer cannot be made.
  virtual std::unique_ptr<SoundBuffer> CreateBuffer(const std::array<std::uint8_t, 18>& format,
                                                    const std::vector<std::uint8_t>& samples) = 0;
};

}  // namespace ironwood::platform
