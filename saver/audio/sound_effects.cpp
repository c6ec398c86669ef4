#include "saver/audio/sound_effects.h"

#include <cmath>

namespace ironwood {

float DistanceVolume(const Vector3& position, const std::array<float, 3>& eyeOffset, float k) {
  const float d = Length3f(static_cast<float>(position.x()) + eyeOffset[0],
                           static_cast<float>(position.y()) + eyeOffset[1],
                           static_cast<float>(position.z()) + eyeOffset[2]);
  return -k * d;
}

bool PlayAtDistance(platform::SoundBuffer* buffer, const Vector3& position,
                    const std::array<float, 3>& eyeOffset, float k, bool looping) {
  if (buffer == nullptr) return false;
  const float volume = DistanceVolume(position, eyeOffset, k);
  // NaN (a position gone astray) compares false and stays silent.
  if (!(volume > kSilentVolume)) return false;
  buffer->SetVolume(static_cast<int>(std::trunc(volume)));
  buffer->Play(looping);
  return true;
}

std::unique_ptr<platform::SoundBuffer> MakeSoundBuffer(platform::SoundOutput* output,
                                                      const WaveSound& sound) {
  if (output == nullptr || sound.empty()) return nullptr;
  return output->CreateBuffer(sound.format, sound.data);
}

}  // namespace ironwood
