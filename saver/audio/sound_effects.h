#pragma once

// How loud a sound effect plays: it falls linearly with the distance between the camera's eye and
// the sounding object, and a sound quieter than -8000 hundredths of a decibel is not played.

#include <array>
#include <memory>

#include "platform/sound_output.h"
#include "saver/audio/wave_sound.h"
#include "saver/core/vector3.h"

namespace ironwood {

// At or below this volume a sound is left silent.
inline constexpr float kSilentVolume = -8000.0f;
// The distance factors: torpedo hits, launches and phaser loops; a ship's break-up.
inline constexpr float kWeaponSoundFactor = 24.0f;
inline constexpr float kBreakUpSoundFactor = 20.0f;

// -k times the distance (single precision) from the eye at -eyeOffset to `position`, in
// hundredths of a decibel.
float DistanceVolume(const Vector3& position, const std::array<float, 3>& eyeOffset, float k);

// Plays `buffer` at the volume for that distance, truncated toward zero, once or looping; only
// when the volume is above -8000. True when it was played. A missing buffer plays nothing.
bool PlayAtDistance(platform::SoundBuffer* buffer, const Vector3& position,
                    const std::array<float, 3>& eyeOffset, float k, bool looping);

// The sounding object's own buffer with `sound`'s samples; null without an output, for an empty
// sound, or when the output cannot make one.
std::unique_ptr<platform::SoundBuffer> MakeSoundBuffer(platform::SoundOutput* output,
                                                      const WaveSound& sound);

}  // namespace ironwood
