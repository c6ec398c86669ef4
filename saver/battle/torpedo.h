#pragma once

// Torpedoes in flight. Each ship class keeps one pool that all its ships launch into; a torpedo
// flies straight for five seconds and can strike only the ship it was launched at, on the shield
// while the shield holds and on the hull once it is down.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound_output.h"
#include "saver/assets/mesh.h"
#include "saver/audio/wave_sound.h"
#include "saver/battle/battle_effects.h"
#include "saver/core/vector3.h"
#include "saver/core/view_volume.h"
#include "saver/effects/effect_pool.h"

namespace ironwood {

class Roster;
class Ship;
class Texture;

struct Torpedo {
  std::array<float, 9> state{};  // position first; the rest is carried along
  Vector3 direction;             // unit length
  float yaw = 0, pitch = 0;      // degrees, from the direction at launch; for drawing
  float speed = 0;
  Ship* target = nullptr;
  const Roster* roster = nullptr;  // the launching ship's
  std::uint32_t launchTime = 0;
  std::uint32_t lastMoveTime = 0;
  const Mesh* model = nullptr;
  float damage = 0;
  bool active = false;
  // The torpedo's own copy of the detonation sound, made with the torpedo while sound effects
  // are on.
  std::unique_ptr<platform::SoundBuffer> explosionSound;
};

class TorpedoPool {
 public:
  static constexpr int kInitialPool = 20;
  static constexpr int kPoolGrowth = 10;
  static constexpr std::uint32_t kFlightMilliseconds = 5000;
  static constexpr float kSpeed = 38.0f;

  TorpedoPool();

  // Where new torpedo objects get their detonation sound from (none: they are silent). Torpedoes
  // that exist already get theirs now.
  void SetSound(platform::SoundOutput* output, const WaveSound* detonation);

  // Gives the launch to the first idle torpedo. When all are flying the pool grows by 10 and this
  // launch is dropped (the next finds a torpedo); a pool that cannot grow stays as it was. True
  // when a torpedo was launched.
  bool Launch(const std::array<float, 9>& start, const Vector3& direction, float speed,
              Ship* target, const Roster* roster, const Mesh* model, float damage);

  // Once a frame: every flying torpedo moves on and is tested against its own target.
  void Update(BattleEffects& effects);

  // Every flying torpedo with the class's torpedo model and texture; nothing without a model.
  // One wholly outside `view` is not drawn.
  void Draw(const Mesh* model, Texture* texture, const MeshDrawCaps& caps, TextureNamePool& pool,
            const ViewVolume& view = ViewVolume());

  int Size() const { return static_cast<int>(torpedoes_.size()); }
  const Torpedo& At(int i) const { return torpedoes_.slots().at(static_cast<std::size_t>(i)); }
  int ActiveCount() const;

 private:
  EffectPool<Torpedo> torpedoes_;
  platform::SoundOutput* soundOutput_ = nullptr;
  const WaveSound* detonation_ = nullptr;
};

}  // namespace ironwood
