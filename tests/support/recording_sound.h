#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/music_player.h"
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

  // Makes no more buffers once `after` have been made (a device that has run out).
  void RefuseBuffers(int after = 0) { refuseAfter_ = after; }

  int BuffersMade() const { return made_; }
  // The calls of one buffer, without its number.
  std::vector<std::string> CallsOf(int buffer) const;
  void Clear() { calls.clear(); }

  std::vector<std::string> calls;
  std::vector<std::size_t> sampleBytes;  // per buffer, index = number - 1

 private:
  int made_ = 0;
  int refuseAfter_ = -1;
};

// Hands a test's own output to an owner that wants one of its own (the saver's sound start).
class BorrowedSound : public platform::SoundOutput {
 public:
  explicit BorrowedSound(platform::SoundOutput& real) : real_(real) {}
  std::unique_ptr<platform::SoundBuffer> CreateBuffer(
      const std::array<std::uint8_t, 18>& format,
      const std::vector<std::uint8_t>& samples) override {
    return real_.CreateBuffer(format, samples);
  }

 private:
  platform::SoundOutput& real_;
};

// A music player that is there (or not) and writes down the commands it is sent.
class RecordingPlayer : public platform::MusicPlayer {
 public:
  bool HookUp() override {
    ++hookUps;
    return present;
  }
  bool SendCommand(int identifier) override {
    if (!present) return false;
    commands.push_back(identifier);
    return true;
  }
  bool Launched() const override { return launched; }

  bool present = true;
  bool launched = false;
  int hookUps = 0;
  std::vector<int> commands;
};

// The same player handed to an owner that wants one of its own.
class BorrowedPlayer : public platform::MusicPlayer {
 public:
  explicit BorrowedPlayer(platform::MusicPlayer& real) : real_(real) {}
  bool HookUp() override { return real_.HookUp(); }
  bool SendCommand(int identifier) override { return real_.SendCommand(identifier); }
  bool Launched() const override { return real_.Launched(); }

 private:
  platform::MusicPlayer& real_;
};

}  // namespace ironwood::testing
