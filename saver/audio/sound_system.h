#pragma once

// The process-wide sound effects: the device output, the background hum that loops from start
// to shutdown, and the torpedo detonation every torpedo copies. Ships and torpedoes hold their
// own buffers made by this output; all of them must be gone before Stop.

#include <functional>
#include <memory>
#include <string>

#include "platform/music_player.h"
#include "platform/settings_store.h"
#include "platform/sound_output.h"
#include "saver/audio/wave_sound.h"
#include "saver/core/log_sink.h"

namespace ironwood {

// Opens the platform's sound device; null, with a reason in `why`, when there is none.
using SoundOutputOpener = std::function<std::unique_ptr<platform::SoundOutput>(std::string* why)>;

inline constexpr const char* kHumFileName = "BackgroundHumFinal.wav";
inline constexpr const char* kDetonationFileName = "PhotonExplosionFinal.wav";
// Written where the device is optional and none opens; the reason follows.
inline constexpr const char* kNoSoundDeviceLine = "    No sound device, sound effects off: ";
// Written when a sound file cannot be used; the reason (naming the file) follows.
inline constexpr const char* kSoundFileLine = "    Sound not loaded: ";

class SoundSystem {
 public:
  struct Start {
    platform::SettingsStore* settings = nullptr;
    std::string installation;  // ends with a separator
    const LogSink* log = nullptr;
    // Hooked up a second time when music is on; null: the hook-up fails.
    platform::MusicPlayer* music = nullptr;
    SoundOutputOpener openOutput;  // none: no device
    // True: a device that cannot be opened fails the start. False: the reason is logged and the
    // saver runs on without sound effects.
    bool deviceRequired = true;
  };

  SoundSystem() = default;
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;
  ~SoundSystem() { Stop(); }

  // The music hook-up (when UseMP3Audio is on), then, when UseSoundFX is on, the device, the hum
  // (started looping at full volume) and the detonation template. False only when a required
  // device cannot be opened; a missing or bad sound file costs that sound alone.
  bool StartUp(const Start& start);

  // Sound effects are on for this run: the setting is on and a device is open.
  bool On() const { return on_; }
  platform::SoundOutput* Output() const { return output_.get(); }
  // The detonation torpedoes copy; null when it could not be read.
  const WaveSound* Detonation() const { return detonation_.empty() ? nullptr : &detonation_; }
  // True while the hum has a buffer (it was read and the device took it).
  bool HumPlaying() const { return hum_ != nullptr; }

  // Stops the hum and closes the device. Safe to call more than once.
  void Stop();

 private:
  bool on_ = false;
  std::unique_ptr<platform::SoundOutput> output_;
  std::unique_ptr<platform::SoundBuffer> hum_;
  WaveSound humSound_;
  WaveSound detonation_;
};

}  // namespace ironwood
