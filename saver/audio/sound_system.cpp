#include "saver/audio/sound_system.h"

#include "common/settings.h"
#include "saver/audio/music_control.h"
#include "saver/audio/sound_effects.h"
#include "saver/audio/wave_file.h"

namespace ironwood {
namespace {

// Reads one of the installation's sound files; a failure is logged and leaves `sound` empty.
bool LoadSound(const SoundSystem::Start& start, const char* fileName, WaveSound* sound) {
  std::string why;
  if (LoadWaveFile(start.installation + fileName, sound, &why)) return true;
  if (start.log != nullptr) start.log->Write(std::string(kSoundFileLine) + why + "\n");
  return false;
}

}  // namespace

bool SoundSystem::StartUp(const Start& start) {
  Stop();
  const NullLog nullLog;
  const LogSink& log = start.log != nullptr ? *start.log : nullLog;
  if (start.settings == nullptr) return true;
  platform::SettingsStore& settings = *start.settings;

  if (settings::ReadFlag(settings, settings::kUseMP3Audio, false)) HookUpMusic(start.music, log);
  // UseCDAudio is stored for the configuration program; the saver plays no discs.
  if (!settings::ReadFlag(settings, settings::kUseSoundFX, false)) return true;

  std::string why = "no sound output on this platform";
  if (start.openOutput) output_ = start.openOutput(&why);
  if (!output_) {
    if (start.deviceRequired) return false;
    log.Write(std::string(kNoSoundDeviceLine) + why + "\n");
    return true;
  }
  on_ = true;

  if (LoadSound(start, kHumFileName, &humSound_)) {
    hum_ = MakeSoundBuffer(output_.get(), humSound_);
    if (hum_) {
      hum_->Play(true);
    } else {
      log.Write(std::string(kSoundFileLine) + start.installation + kHumFileName +
                ": the sound device refused its format\n");
    }
  }
  LoadSound(start, kDetonationFileName, &detonation_);
  return true;
}

void SoundSystem::Stop() {
  if (hum_) hum_->Stop();
  hum_.reset();
  output_.reset();
  humSound_ = {};
  detonation_ = {};
  on_ = false;
}

}  // namespace ironwood
