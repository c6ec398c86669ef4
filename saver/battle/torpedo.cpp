#include "saver/battle/torpedo.h"

#include "saver/audio/sound_effects.h"
#include "saver/effects/effect_pool.h"

namespace ironwood {

TorpedoPool::TorpedoPool() : torpedoes_(kInitialPool) {}

void TorpedoPool::SetSound(platform::SoundOutput* output, const WaveSound* detonation) {
  soundOutput_ = output;
  detonation_ = detonation;
  for (Torpedo& torpedo : torpedoes_) {
    torpedo.explosionSound =
        detonation_ != nullptr ? MakeSoundBuffer(soundOutput_, *detonation_) : nullptr;
  }
}

int TorpedoPool::ActiveCount() const {
  return CountActive(torpedoes_);
}

}  // namespace ironwood
