#include "saver/battle/fire_control.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/clock.h"
#include "saver/audio/sound_effects.h"
#include "saver/battle/hull_vertex.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/battle/ship_grid.h"
#include "saver/core/matrix4.h"
#include "saver/core/random.h"

namespace ironwood {

namespace {

constexpr float kMinimumPhaserRange = 18.0f;
constexpr float kPhaserRangePerRadius = 10.0f;
// Phaser damage is the phaser value per 100 ms of firing.
constexpr double kDamageMilliseconds = 100.0;
// An empty phaser cools 0.002 each 16 ms, an empty launcher 0.002 each millisecond; from 0
// down to -1 and then it is ready again: 8 s for a phaser, half a second for a launcher.
constexpr double kPhaserTickMilliseconds = 16.0;
constexpr double kCoolingStep = 0.002;
constexpr float kCooled = -1.0f;
// A torpedo flies 38 units a second, and a launcher aims only at what it reaches in one.
constexpr double kTorpedoReach = 38.0;
constexpr double kPi = 3.14159265358979323846;
// Beam hits on the hull: 3 chances in 10 each 16 ms throw a small explosion, jittered by up
// to 1/16 unit.
constexpr int kHullFlashAbove = 6;
constexpr double kHitJitterScale = 1.0 / 800.0;
constexpr double kHitJitterCentre = 0.0625;
constexpr std::array<float, 3> kHitExplosionScale{2.0f, 2.0f, 2.0f};
constexpr std::uint32_t kHitExplosionStartFrame = 10;

bool IsZero(const Vector3& v) { return v.x() == 0.0 && v.y() == 0.0 && v.z() == 0.0; }

// The view vector of a flare at `p`: from it towards the eye, which sits at -eyeOffset.
Vector3 ViewFrom(const BattleEffects& effects, const Vector3& p) {
  const std::array<float, 3> eye = effects.EyeOffset();
  return Vector3(-eye[0] - p.x(), -eye[1] - p.y(), -eye[2] - p.z());
}

// The angle between two directions in radians, single precision as the mount arcs are stored.
float AngleBetween(Vector3 a, Vector3 b) {
  a.Normalize();
  b.Normalize();
  return static_cast<float>(std::acos(std::clamp(a.Dot(b), -1.0, 1.0)));
}

bool CanBeTargeted(const Ship* opponent) {
  return opponent != nullptr && !opponent->IsDead() && opponent->HullPresent();
}

// Places the mount with the ship as it is this frame; returns the aim in world space.
Vector3 TransformMount(const Ship& ship, WeaponState& weapon) {
  static const WeaponMount kNoMount{};
  const WeaponMount& mount = weapon.mount != nullptr ? *weapon.mount : kNoMount;
  const auto& orientation = ship.OrientationMatrix();
  const Vector3 offset =
      TransformPoint(orientation, Vector3(mount.position[0], mount.position[1], mount.position[2]));
  weapon.mountWorldOffset = {static_cast<float>(offset.x()), static_cast<float>(offset.y()),
                             static_cast<float>(offset.z())};
  return TransformPoint(orientation, Vector3(mount.aim[0], mount.aim[1], mount.aim[2]));
}

Vector3 Muzzle(const Ship& ship, const WeaponState& weapon) {
  const Vector3 p = ship.Position();
  return Vector3(p.x() + weapon.mountWorldOffset[0], p.y() + weapon.mountWorldOffset[1],
                 p.z() + weapon.mountWorldOffset[2]);
}

float MountArc(const WeaponState& weapon) {
  return weapon.mount != nullptr ? weapon.mount->arc : 0.0f;
}

float PhaserDamage(const WeaponState& phaser, std::uint32_t now) {
  return static_cast<float>(static_cast<double>(now - phaser.lastUpdate) / kDamageMilliseconds *
                            phaser.value);
}

void AimBeam(WeaponState& phaser, Vector3 beam) {
  phaser.beamLength = static_cast<float>(beam.Length());
  DirectionToAngles(beam, phaser.beamPitch, phaser.beamYaw);
}

void AddFlare(BattleEffects& effects, const Vector3& view, const Vector3& position) {
  if (effects.phaserFlares != nullptr) effects.phaserFlares->Add(view, position);
}

void FireAt(Ship& ship, WeaponState& phaser, Ship& target, BattleEffects& effects) {
  const std::uint32_t now = platform::TimeMilliseconds();
  const float damage = PhaserDamage(phaser, now);
  if (effects.tally != nullptr && now > phaser.lastUpdate) {
    effects.tally->phaserHitMilliseconds += now - phaser.lastUpdate;
  }
  const Vector3 muzzle = Muzzle(ship, phaser);
  const Vector3 centre = target.Position();

  const Vector3 local = TransformPoint(target.InverseOrientationMatrix(), muzzle.Subtract(centre));
  const Vector3 shieldPoint = target.Shield().Point(local);
  if (!IsZero(shieldPoint)) {
    target.Shield().Glow(shieldPoint, damage);
    const Vector3 hit = centre.Add(TransformPoint(target.OrientationMatrix(), shieldPoint));
    AimBeam(phaser, hit.Subtract(muzzle));
    const Vector3 view = ViewFrom(effects, hit);
    AddFlare(effects, view, hit);
    AddFlare(effects, view, muzzle);
  } else {
    const HullVertexHit hull = NearestHullVertex(target, muzzle);
    if (hull.found) {
      target.AddDamage(damage, -1);
      target.AddDamage(PhaserDamage(phaser, platform::TimeMilliseconds()), hull.mesh);
      const Vector3 beam = hull.point.Subtract(muzzle);
      AimBeam(phaser, beam);
      // The chances go by the beam's time on the hull, not by the frames that show it.
      const int due = phaser.flashChances.Take(now > phaser.lastUpdate ? now - phaser.lastUpdate
                                                                        : 0);
      for (int chance = 0; chance < due; ++chance) {
        if (RandomRange(0, 10) <= kHullFlashAbove) continue;
        double jitter[3];
        for (double& j : jitter) j = RandomRange(0, 100) * kHitJitterScale - kHitJitterCentre;
        const EffectPlacement at =
            PlacementAt(hull.point.Add(Vector3(jitter[0], jitter[1], jitter[2])));
        if (effects.explosions != nullptr) {
          effects.explosions->SpawnExplosion(effects.triBillboard, at, kHitExplosionScale, {},
                                             kHitExplosionStartFrame);
        }
        // One spark a flash, flying on along the beam.
        if (effects.sparks != nullptr) effects.sparks->SpawnSpark(at, beam);
      }
    } else {
      // A hull without vertices offers nothing to strike: the beam reaches the centre and does
      // no harm.
      AimBeam(phaser, centre.Subtract(muzzle));
    }
    AddFlare(effects, ViewFrom(effects, muzzle), muzzle);
  }

  phaser.firing = true;
  phaser.beamOpacity = 1.0f;
  phaser.target = &target;
  if (effects.soundEffects) ship.phaserSoundWanted = true;
}

// The loop starts once when a phaser begins to fire (again each frame while it would be too
// quiet to hear) and stops when none fires.
void UpdatePhaserSound(Ship& ship, const BattleEffects& effects) {
  if (!effects.soundEffects) return;
  platform::SoundBuffer* loop = ship.SoundBuffer(2);
  if (ship.phaserSoundWanted) {
    if (!ship.phaserSoundPlaying &&
        PlayAtDistance(loop, ship.Position(), effects.EyeOffset(), kWeaponSoundFactor, true)) {
      ship.phaserSoundPlaying = true;
    }
  } else {
    ship.phaserSoundPlaying = false;
    if (loop != nullptr) loop->Stop();
  }
}

// A squared distance above a squared limit times this is beyond the limit whatever the rounding,
// so the exact test, root and all, is left for the few ships near it.
constexpr double kClearlyBeyond = 1.000001;

// Whether a torpedo from a muzzle `offsetLength` from the ship's centre cannot reach the lead
// point of an opponent at squared distance `squared` flying at `speed`: the lead point is at
// least distance * (1 - speed / reach) - offsetLength from the muzzle (the opponent's nose is a
// unit vector, allowed a thousandth more here). Conservative: it never turns away an opponent
// the exact test would take, and leaves the root to the few that are near.
bool ClearlyOutOfReach(double squared, float speed, double offsetLength) {
  const double slack = 1.001;
  const double keep = 1.0 - slack * std::fabs(static_cast<double>(speed)) / kTorpedoReach;
  if (!(keep > 0)) return false;
  const double limit = (kTorpedoReach + offsetLength) * slack + 1e-3;
  return squared * keep * keep > limit * limit;
}

// The distance beyond which an opponent no faster than `topSpeed` is ClearlyOutOfReach of a muzzle
// `offsetLength` from the ship's centre; negative when a fast enough opponent may be in reach from
// any distance.
double ReachDistance(double topSpeed, double offsetLength) {
  const double slack = 1.001;
  const double keep = 1.0 - slack * topSpeed / kTorpedoReach;
  if (!(keep > 0)) return -1;
  return ((kTorpedoReach + offsetLength) * slack + 1e-3) / keep;
}

// The radius round a launching ship within which the lead point of an opponent must lie for a
// muzzle `offsetLength` from the ship's centre to reach it.
double LeadRadius(double offsetLength) { return (kTorpedoReach + offsetLength) * 1.001 + 1e-3; }

// Whether an opponent at `between` from the ship, nose `forward`, is so far to the side of its own
// line of flight that its lead point (somewhere on that line) cannot come within reach of a muzzle
// `offsetLength` from the ship's centre. Conservative like ClearlyOutOfReach.
bool ClearlyAside(const Vector3& between, const float* forward, double offsetLength) {
  const double fx = forward[0], fy = forward[1], fz = forward[2];
  const double noseSquared = fx * fx + fy * fy + fz * fz;
  if (!(noseSquared > 0)) return false;
  const double along = between.x() * fx + between.y() * fy + between.z() * fz;
  const double asideSquared = between.LengthSquared() - along * along / noseSquared;
  const double limit = LeadRadius(offsetLength);
  return asideSquared > limit * limit;
}

// How far the lead point of an opponent at `speed`, nose of `noseLength`, may lie along its nose
// (in the lead's own measure, signed as the speed) while it is within `radius` of a launching
// ship: the lead is the distance d times speed / reach, and d is at most the lead's own length
// plus `radius`. Infinite where a fast enough opponent outruns that; NaN for a NaN speed.
double LeadLimit(float speed, double noseLength, double radius) {
  const double k = std::fabs(static_cast<double>(speed)) / kTorpedoReach;
  if (std::isnan(k)) return k;
  const double gain = k * noseLength * 1.001;
  const double limit = gain < 1 ? k * radius / (1 - gain) * 1.001 + 1e-3
                                : std::numeric_limits<double>::infinity();
  return speed < 0 ? -limit : limit;
}

// Where an opponent at `at`, flying at `speed` along `forward`, will be by the time a torpedo has
// flown the distance from the ship at `from`.
Vector3 LeadPoint(const Vector3& at, float speed, const float* forward, const Vector3& from) {
  Vector3 between = at.Subtract(from);
  const double lead = between.Length() / kTorpedoReach * speed;
  return at.Add(Vector3(forward[0] * lead, forward[1] * lead, forward[2] * lead));
}

// The opponents that can be targeted within `range` of `position`, in roster order.
void FindInRange(const Roster& opponents, const Vector3& position, double range,
                 std::vector<Ship*>& found) {
  found.clear();
  const double beyond = range * range * kClearlyBeyond;
  auto within = [&](const Vector3& at) {
    Vector3 toOpponent = at.Subtract(position);
    return !(toOpponent.LengthSquared() > beyond) && toOpponent.Length() < range;
  };
  auto take = [&](int i) {
    Ship* opponent = opponents.Enemy(i);
    if (CanBeTargeted(opponent) && within(opponent->Position())) found.push_back(opponent);
    return false;
  };
  const ShipGrid* grid = opponents.EnemyGrid();
  if (grid != nullptr && grid->Exact() && grid->Size() == opponents.EnemyCount()) {
    // The grid's copies of the places are the opponents' own, and settle the distance without
    // a look at the ship itself.
    grid->VisitNear(position, range, [&](int i) {
      if (!within(grid->RecordOf(i).At())) return false;
      Ship* opponent = opponents.Enemy(i);
      if (CanBeTargeted(opponent)) found.push_back(opponent);
      return false;
    });
    return;
  }
  if (grid != nullptr && grid->Valid()) {
    grid->VisitNear(position, range, take);
    return;
  }
  for (int i = 0; i < opponents.EnemyCount(); ++i) take(i);
}

}  // namespace

float PhaserRange(float radius) {
  return std::max(kPhaserRangePerRadius * radius, kMinimumPhaserRange);
}

void PhaserFireControl(Ship& ship, const Roster& opponents, BattleEffects& effects) {
  ship.phaserSoundWanted = false;
  if (!ship.IsDead() && ship.HullPresent()) {
    const double range = PhaserRange(ship.Radius());
    const Vector3 position = ship.Position();
    // Which opponents are in range does not depend on the phaser, and no shot changes it: they
    // are found once, in roster order, when the first charged phaser looks. The list is kept
    // between calls so that a frame allocates nothing.
    static std::vector<Ship*> inRange;
    bool inRangeFound = false;
    for (WeaponState& phaser : ship.Phasers()) {
      const Vector3 aim = TransformMount(ship, phaser);
      // Shown again only when it fires at someone this frame.
      phaser.firing = false;
      if (phaser.charge > 0) {
        if (!inRangeFound) {
          FindInRange(opponents, position, range, inRange);
          inRangeFound = true;
        }
        const Vector3 muzzle = Muzzle(ship, phaser);
        for (Ship* opponent : inRange) {
          if (!(AngleBetween(aim, opponent->Position().Subtract(muzzle)) < MountArc(phaser))) {
            continue;
          }
          FireAt(ship, phaser, *opponent, effects);
          break;
        }
      } else {
        const std::uint32_t now = platform::TimeMilliseconds();
        phaser.charge = static_cast<float>(
            phaser.charge -
            static_cast<double>(now - phaser.lastUpdate) / kPhaserTickMilliseconds *
                kCoolingStep);
        if (phaser.charge < kCooled) phaser.charge = 1.0f;
      }
    }
  }
  UpdatePhaserSound(ship, effects);
}

void TorpedoFireControl(Ship& ship, const Roster& opponents, BattleEffects& effects) {
  if (ship.IsDead() || !ship.HullPresent()) return;
  const ShipClass* shipClass = ship.Class();
  const std::uint32_t now = platform::TimeMilliseconds();
  for (WeaponState& launcher : ship.TorpedoLaunchers()) {
    const Vector3 aim = TransformMount(ship, launcher);
    if (launcher.charge > 0) {
      const Vector3 muzzle = Muzzle(ship, launcher);
      const auto& offset = launcher.mountWorldOffset;
      const double offsetLength = Length3f(offset[0], offset[1], offset[2]);
      // The first opponent in roster order whose lead point the launcher reaches and aims at:
      // `r` runs from the muzzle to that point, already found within reach.
      auto launchAt = [&](Ship* opponent, Vector3 r) {
        const double arc = MountArc(launcher) + opponent->Radius() * kPi / 360.0;
        if (!(AngleBetween(aim, r) < arc)) return false;

        if (shipClass != nullptr) {
          EffectPlacement start = PlacementAt(muzzle);
          const bool launched =
              shipClass->torpedoes().Launch(start, r, TorpedoPool::kSpeed, opponent, &opponents,
                                            shipClass->torpedoModel(), launcher.value);
          if (launched && effects.tally != nullptr) ++effects.tally->torpedoesLaunched;
        }
        // A launch the full pool dropped still empties the tube.
        launcher.charge = 0.0f;
        if (effects.soundEffects) {
          PlayAtDistance(ship.SoundBuffer(1), ship.Position(), effects.EyeOffset(),
                         kWeaponSoundFactor, false);
        }
        return true;
      };
      const Vector3 from = ship.Position();
      const ShipGrid* grid = opponents.EnemyGrid();
      if (grid != nullptr && grid->Exact() && grid->Size() == opponents.EnemyCount()) {
        // No ship moves while weapons fire, so the grid's records are the opponents' own
        // values, and they settle the reach without a look at the ship itself.
        grid->VisitByReach(
            from, [&](double topSpeed) { return ReachDistance(topSpeed, offsetLength); },
            LeadRadius(offsetLength), [&](int i) {
              const ShipGrid::Record& record = grid->RecordOf(i);
              const Vector3 between = record.At().Subtract(from);
              if (ClearlyOutOfReach(between.LengthSquared(), record.speed, offsetLength) ||
                  ClearlyAside(between, record.forward, offsetLength)) {
                return false;
              }
              Vector3 r = LeadPoint(record.At(), record.speed, record.forward, from)
                              .Subtract(muzzle);
              if (!(r.Length() < kTorpedoReach)) return false;
              Ship* opponent = opponents.Enemy(i);
              return CanBeTargeted(opponent) && launchAt(opponent, r);
            });
      } else {
        for (int i = 0; i < opponents.EnemyCount(); ++i) {
          Ship* opponent = opponents.Enemy(i);
          if (!CanBeTargeted(opponent)) continue;
          const Vector3 at = opponent->Position();
          if (ClearlyOutOfReach(at.Subtract(from).LengthSquared(), opponent->Speed(),
                                offsetLength)) {
            continue;
          }
          Vector3 r = LeadPoint(at, opponent->Speed(), opponent->Forward().data(), from)
                          .Subtract(muzzle);
          if (!(r.Length() < kTorpedoReach)) continue;
          if (launchAt(opponent, r)) break;
        }
      }
    } else {
      launcher.firing = false;
      launcher.charge = static_cast<float>(
          launcher.charge - static_cast<double>(now - launcher.lastUpdate) * kCoolingStep);
      if (launcher.charge < kCooled) launcher.charge = 1.0f;
    }
    launcher.lastUpdate = now;
  }
}

void IndexFlightLines(ShipGrid& opponents, const double low[3], const double high[3],
                      const std::vector<Ship*>& launchers) {
  double offset = 0;
  for (Ship* ship : launchers) {
    if (ship == nullptr || ship->IsDead() || !ship->HullPresent()) continue;
    for (const WeaponState& launcher : ship->TorpedoLaunchers()) {
      if (launcher.mount == nullptr) continue;
      const auto& p = launcher.mount->position;
      offset = std::max(offset, static_cast<double>(Length3f(p[0], p[1], p[2])));
    }
  }
  // A turned mount is as far from the centre as the mount itself, but for rounding.
  const double radius = LeadRadius(offset * 1.0001 + 1e-4);
  opponents.BuildLines(low, high, radius, LeadLimit);
}

void DrainPhaserCharge(WeaponState& phaser, std::uint32_t now) {
  const int draw = RandomRange(4, 10);
  phaser.charge = static_cast<float>(
      phaser.charge - (draw / 5.0) * 0.025 *
                          (static_cast<double>(now - phaser.lastUpdate) /
                           kPhaserTickMilliseconds));
  if (phaser.charge < 0) phaser.charge = 0.0f;
}

void RefreshPhaserTimes(Ship& ship, std::uint32_t now) {
  for (WeaponState& phaser : ship.Phasers()) phaser.lastUpdate = now;
}

}  // namespace ironwood
