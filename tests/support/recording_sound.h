#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sound_output.h"

namespace ironwood::testing {

// A sound output that plays nothing and writes down every call its buffers receive, as
// "<buffer> SetVolume(-7200)", "<buffer> Play(once)", "<buffer> Play(looping)", "<buffer> Stop".
// Buffers are numbered from 1 in the order they are made; each remembers how many sample bytes
// it was given.
class RecordingSound : public platform::SoundOutput {
 public:
  std::unique_ptr<platform::SoundBuffer> CreateBuffer(
      const std::array<std::uint8_t, 18>& format,
      const std::vector<std::uint8_t>& samples) override;

  // Makes no more buffers from now on (a device that has run out).
  void RefuseBuffers() { refuse_ = true; }

  int BuffersMade() const { return made_; }
  // The calls of one buffer, without its number.
  std::vector<std::string> CallsOf(int buffer) const;
  void Clear() { calls.clear(); }

  std::vector<std::string> calls;
  std::vector<std::size_t> sampleBytes;  // per buffer, index = number - 1

 private:
  int made_ = 0;
  bool refuse_ = false;
};

}  // namespace ironwood::testing
