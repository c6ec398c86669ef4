#include "saver/battle/torpedo.h"

#include <cmath>

#include "glapi/gl_table.h"
#include "platform/clock.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/audio/sound_effects.h"
#include "saver/battle/hull_vertex.h"
#include "saver/battle/ship.h"
#include "saver/core/matrix4.h"
#include "saver/core/random.h"

namespace ironwood {

namespace {

// A torpedo strikes the hull when it comes within a unit of a hull vertex.
constexpr double kHullReach = 1.0;
constexpr int kHullSparks = 15;
constexpr std::array<float, 3> kFlashScale{2.0f, 2.0f, 2.0f};
constexpr std::uint32_t kFlashStartFrame = 0;

// Up to an eighth of a unit either way on each axis, drawn x, y, z.
Vector3 ImpactJitter() {
  double j[3];
  for (double& c : j) c = RandomRange(0, 100) / 400.0 - 0.125;
  return Vector3(j[0], j[1], j[2]);
}

}  // namespace

TorpedoPool::TorpedoPool() : torpedoes_(kInitialPool) {}

void TorpedoPool::SetSound(platform::SoundOutput* output, const WaveSound* detonation) {
  soundOutput_ = output;
  detonation_ = detonation;
  for (Torpedo& torpedo : torpedoes_) {
    torpedo.explosionSound =
        detonation_ != nullptr ? MakeSoundBuffer(soundOutput_, *detonation_) : nullptr;
  }
}

bool TorpedoPool::Launch(const std::array<float, 9>& start, const Vector3& direction, float speed,
                         Ship* target, const Roster* roster, const Mesh* model, float damage) {
  Torpedo* torpedo = torpedoes_.FirstFree();
  if (torpedo == nullptr) {
    // This launch is lost; the grown pool has room for the next one.
    const std::size_t firstNew = torpedoes_.size();
    if (torpedoes_.Grow(kPoolGrowth) && detonation_ != nullptr) {
      for (std::size_t i = firstNew; i < torpedoes_.size(); ++i) {
        torpedoes_[i].explosionSound = MakeSoundBuffer(soundOutput_, *detonation_);
      }
    }
    return false;
  }
  torpedo->state = start;
  DirectionToAngles(direction, torpedo->pitch, torpedo->yaw);
  Vector3 unit = direction;
  unit.Normalize();
  torpedo->direction = unit;
  torpedo->target = target;
  torpedo->roster = roster;
  torpedo->damage = damage;
  torpedo->speed = speed;
  torpedo->model = model;
  torpedo->launchTime = torpedo->lastMoveTime = platform::TimeMilliseconds();
  torpedo->active = true;
  return true;
}

void TorpedoPool::Update(BattleEffects& effects) {
  for (Torpedo& torpedo : torpedoes_) {
    if (!torpedo.active) continue;
    const std::uint32_t now = platform::TimeMilliseconds();
    if (now - torpedo.launchTime > kFlightMilliseconds) {
      torpedoes_.Free(torpedo);
      continue;
    }

    // Straight on; torpedoes do not steer.
    const double step = static_cast<double>(torpedo.speed) *
                        static_cast<double>(now - torpedo.lastMoveTime) / 1000.0;
    torpedo.state[0] = static_cast<float>(torpedo.state[0] + torpedo.direction.x() * step);
    torpedo.state[1] = static_cast<float>(torpedo.state[1] + torpedo.direction.y() * step);
    torpedo.state[2] = static_cast<float>(torpedo.state[2] + torpedo.direction.z() * step);
    torpedo.lastMoveTime = now;

    // Only the ship it was launched at can be struck; others are flown through.
    Ship* target = torpedo.target;
    if (target == nullptr) continue;
    const Vector3 position(torpedo.state[0], torpedo.state[1], torpedo.state[2]);
    const Vector3 centre = target->Position();
    Vector3 fromCentre = position.Subtract(centre);
    const double d = fromCentre.Length();
    if (!(d < target->Radius())) continue;

    const Vector3 shieldPoint =
        target->Shield().Point(TransformPoint(target->InverseOrientationMatrix(), fromCentre));
    Vector3 impact;
    HullVertexHit hull;
    if (shieldPoint.x() != 0.0 || shieldPoint.y() != 0.0 || shieldPoint.z() != 0.0) {
      Vector3 onShield = TransformPoint(target->OrientationMatrix(), shieldPoint);
      // Still outside the bubble: the shield is met in a later frame.
      if (!(onShield.Length() > d)) continue;
      target->Shield().Glow(shieldPoint, torpedo.damage);
      impact = centre.Add(onShield);
    } else {
      hull = NearestHullVertex(*target, position);
      if (!hull.found) continue;
      Vector3 gap = hull.point.Subtract(position);
      if (!(gap.Length() < kHullReach)) continue;
      impact = hull.point;
    }

    torpedoes_.Free(torpedo);
    if (effects.tally != nullptr) ++effects.tally->torpedoHits;
    const EffectPlacement flash = PlacementAt(impact.Add(ImpactJitter()));
    if (effects.explosions != nullptr) {
      effects.explosions->SpawnExplosion(effects.triBillboard, flash, kFlashScale, {},
                                         kFlashStartFrame);
    }
    if (hull.found) {
      for (int i = 0; i < kHullSparks; ++i) {
        const Vector3 jitter = ImpactJitter();
        if (effects.sparks != nullptr) {
          effects.sparks->SpawnSpark(PlacementAt(hull.point.Add(jitter)), jitter);
        }
      }
      target->AddDamage(torpedo.damage, -1);
      target->AddDamage(torpedo.damage, hull.mesh);
    }
    if (effects.soundEffects) {
      PlayAtDistance(torpedo.explosionSound.get(), position, effects.EyeOffset(),
                     kWeaponSoundFactor, false);
    }
  }
}

void TorpedoPool::Draw(const Mesh* model, Texture* texture, const MeshDrawCaps& caps,
                       TextureNamePool& pool, const ViewVolume& view) {
  if (model == nullptr) return;
  const double reach = MeshReach(*model) * 1.01 + 0.01;
  SetMeshArrays(*model, caps);
  if (caps.multitexture && gl.glActiveTextureARB != nullptr) {
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  if (texture != nullptr) texture->Bind(pool);
  for (const Torpedo& torpedo : torpedoes_) {
    if (!torpedo.active) continue;
    const auto& at = torpedo.state;
    if (!view.MayShow(Vector3(at[0], at[1], at[2]), reach)) continue;
    DrawElementsAt(*model, PlacementMatrix({torpedo.state[0], torpedo.state[1], torpedo.state[2],
                                            torpedo.pitch, torpedo.yaw, 0}));
  }
}

int TorpedoPool::ActiveCount() const {
  return torpedoes_.ActiveCount();
}

}  // namespace ironwood
