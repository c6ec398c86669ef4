#include "saver/battle/ship_death.h"

#include <algorithm>
#include <cmath>

#include "glapi/gl_table.h"
#include "platform/clock.h"
#include "saver/assets/plugin_file.h"
#include "saver/audio/sound_effects.h"
#include "saver/battle/ship.h"
#include "saver/core/random.h"

namespace ironwood {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool BreakingUp(const Ship& ship) {
  return ship.TotalDamage() > Ship::kDeathDamage;
}

// The frame's flag says whether this pass's texture is bound yet: the first ship that needs it
// binds it, so a pass of many dying ships binds once.
void BindOnce(Texture& texture, bool& bound, BattleEffects& effects) {
  if (bound) return;
  if (effects.textures == nullptr) return;
  if (effects.caps.multitexture && gl.glActiveTextureARB != nullptr) {
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  texture.Bind(*effects.textures);
  bound = true;
}

}  // namespace

void DeathBurst(Ship& ship, BattleEffects& effects) {
  if (!BreakingUp(ship)) return;
  const std::uint32_t t = ship.FireballTimer().Elapsed();
  if (t > kDeathEndMilliseconds) {
    ship.SetDead(true);
    return;
  }
  // Rare at first (sqrt(t) against a draw up to t), nearly every 16 ms towards the end.
  for (int due = ship.FireballChances().Due(platform::TimeMilliseconds()); due > 0; --due) {
    const int r = RandomRange(0, static_cast<int>(t));
    if (std::sqrt(static_cast<double>(t)) >= r) continue;

    const float f = 1.0f - static_cast<float>(t) / 4000.0f;
    EffectPlacement placement = ship.State();
    for (std::size_t axis = 0; axis < 3; ++axis) {
      const int k = RandomRange(0, 3);
      placement[axis] += f * (static_cast<float>(k) - 1.5f);
    }
    if (effects.explosions == nullptr) continue;
    const float scale = ship.Radius() * (f * 15.0f) / 3.0f;
    effects.explosions->SpawnExplosion(effects.uniBillboard, placement, {scale, scale, scale},
                                       {}, 0);
  }
}

void DrawShockWave(Ship& ship, bool& bound, BattleEffects& effects) {
  const float damage = ship.TotalDamage();
  if (!(damage > Ship::kDeathDamage && damage < kShockWaveDamageLimit)) return;
  if (!ship.ShockWaveWanted()) return;
  if (effects.explosions != nullptr) BindOnce(effects.explosions->shockWave(), bound, effects);

  BillboardInstance& wave = ship.ShockWave();
  if (!ship.ShockWaveTimer().Started()) {
    // The disc's axis points in a random direction near the horizontal plane. It stays where
    // the ship broke up: the wave is a shell in space, the wreck drifts on out of it.
    const int z = RandomRange(0, 50);
    const int y = RandomRange(0, 6);
    const int x = RandomRange(0, 50);
    Vector3 axis(x - 25, y - 3, z - 25);
    axis.Normalize();
    wave = BillboardInstance{};
    wave.mesh = effects.uniBillboard;
    SetBillboardDirection(wave, axis);
    wave.placement = ship.State();
    wave.scale = {0, 0, 0};
    wave.roll = 0;
  }
  const std::uint32_t t = ship.ShockWaveTimer().Elapsed();
  if (t >= kShockWaveMilliseconds) return;

  gl.glColor4f(1, 1, 1, 1.0f - static_cast<float>(t) / 1900.0f);
  const float scale = static_cast<float>(t) / 14.0f;
  wave.scale = {scale, scale, scale};
  DrawBillboard(wave, effects.caps);
}

void DeathFlare(Ship& ship, bool& bound, BattleEffects& effects) {
  if (!BreakingUp(ship)) return;
  if (effects.explosions != nullptr) {
    BindOnce(effects.explosions->explosionFlare(), bound, effects);
  }
  const std::uint32_t t = ship.FlashTimer().Elapsed();
  if (t > kDebrisBurstMilliseconds && ship.HullPresent()) DebrisBurst(ship, effects);
  if (t > kFlareMilliseconds) return;

  // The sine taken twice: up from 0 to sin 1 at 250 ms, back to 0 at 500 ms.
  const float k = static_cast<float>(std::sin(std::sin(kPi * t / 500.0)));
  const float radius = ship.Radius();
  const std::array<float, 3> eye = effects.EyeOffset();
  BillboardInstance flare;
  flare.mesh = effects.uniBillboard;
  flare.placement = ship.State();
  flare.roll = 0;
  FaceEye(flare, eye);
  const float wide = radius * (k * 90.0f) / 3.0f;
  const float tall = radius * (k * 45.0f) / 3.0f;
  flare.scale = {wide, tall, tall};
  gl.glColor4f(1, 1, 1, k);
  DrawBillboard(flare, effects.caps);

  if (effects.soundEffects) {
    PlayAtDistance(ship.SoundBuffer(kBreakUpSound), ship.Position(), eye, kBreakUpSoundFactor,
                   false);
  }
}

void DebrisBurst(Ship& ship, BattleEffects& effects) {
  // A fragment per unit of radius: a loaded class keeps its semi-axes within the plug-in bound,
  // and the counts below are cast from this bounded value only (no NaN, nothing past int).
  const float radius = ship.Radius() > 0 ? std::min(ship.Radius(), kMaxPluginShieldSemiAxis) : 0;
  const int meshes = effects.debris != nullptr ? effects.debris->MeshCount() : 0;
  // Without fragment models there is nothing to throw, but the hull is gone all the same.
  if (meshes > 0) {
    const int count = static_cast<int>(radius + 5.0f);
    const std::array<float, 3> forward = ship.Forward();
    const int spread = static_cast<int>(radius);
    for (int i = 0; i < count; ++i) {
      const int rz = RandomRange(0, 40);
      const int ry = RandomRange(0, 40);
      const int rx = RandomRange(0, 40);
      const Vector3 direction(forward[0] + rx / 40.0 - 0.5, forward[1] + ry / 40.0 - 0.5,
                              forward[2] + rz / 40.0 - 0.5);
      EffectPlacement placement = ship.State();
      for (std::size_t axis = 0; axis < 3; ++axis) {
        const int o = RandomRange(0, spread);
        placement[axis] += static_cast<float>(o) - radius / 2.0f;
      }
      const int m = RandomRange(0, meshes);
      effects.debris->SpawnDebris(placement, direction, effects.debris->MeshAt(m));
    }
  }
  ship.SetHullPresent(false);
}

}  // namespace ironwood
