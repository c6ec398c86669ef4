#include "saver/battle/ship.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/clock.h"
#include "saver/assets/mesh.h"
#include "saver/audio/sound_effects.h"
#include "saver/core/random.h"

namespace ironwood {

namespace {

// About half the ships break up with a shock wave.
constexpr int kShockWaveDrawAbove = 5000;

}  // namespace

Matrix4 ShipOrientation(double heading, double pitch, double roll) {
  Matrix4 m = IdentityMatrix();
  Rotate(m, heading, 0, 1, 0);
  Rotate(m, pitch, 1, 0, 0);
  Rotate(m, roll, 0, 0, 1);
  return m;
}

Matrix4 ShipInverseOrientation(double heading, double pitch, double roll) {
  Matrix4 m = IdentityMatrix();
  Rotate(m, -roll, 0, 0, 1);
  Rotate(m, -pitch, 1, 0, 0);
  Rotate(m, -heading, 0, 1, 0);
  return m;
}

Vector3 ShipShield::Point(const Vector3& direction) const {
  return ShieldPoint({a, b, c}, strength, direction);
}

void ShipShield::Glow(const Vector3& p, float damage) {
  if (mesh != nullptr) {
    dark = false;
    const double factor = ShieldGlowFactor(a);
    // The colours were sized from the mesh at creation; never walk past either array.
    const std::size_t vertices = std::min(mesh->positions.size() / 3, colours.size() / 4);
    for (std::size_t v = 0; v < vertices; ++v) {
      const double dx = mesh->positions[3 * v] - p.x();
      const double dy = mesh->positions[3 * v + 1] - p.y();
      const double dz = mesh->positions[3 * v + 2] - p.z();
      const double gain = ShieldGlowGain(std::sqrt(dx * dx + dy * dy + dz * dz), factor);
      float& alpha = colours[4 * v + 3];
      alpha = std::min(1.0f, static_cast<float>(alpha + gain));
    }
  }
  strength -= damage;
}

bool Ship::Create(const ShipClass& shipClass, const ShipState& start, bool soundEffects,
                  platform::SoundOutput* output) {
  try {
    const std::uint32_t now = platform::TimeMilliseconds();

    state_ = start;
    class_ = &shipClass;
    roster_ = nullptr;
    meshDamage_.assign(static_cast<std::size_t>(shipClass.meshCount()), 0.0f);
    totalDamage_ = 0;

    auto makeWeapons = [now](int count, float value, auto mountOf) {
      std::vector<WeaponState> weapons(static_cast<std::size_t>(count));
      for (int i = 0; i < count; ++i) {
        WeaponState& w = weapons[static_cast<std::size_t>(i)];
        w.mount = &mountOf(i);
        w.value = value;
        w.charge = 1.0f;
        w.lastUpdate = now;
      }
      return weapons;
    };
    phasers_ = makeWeapons(shipClass.phaserMountCount(), shipClass.phaserValue(),
                           [&](int i) -> const WeaponMount& { return shipClass.phaserMount(i); });
    torpedoLaunchers_ =
        makeWeapons(shipClass.torpedoMountCount(), shipClass.torpedoValue(),
                    [&](int i) -> const WeaponMount& { return shipClass.torpedoMount(i); });

    flight_ = FlightModel{};
    flight_.SetAttributes(shipClass.flightAttributes());
    flight_.SetGoal(Vector3(0, 0, 1), 0.0);
    ai_ = ShipAI{};
    decisionStep_ = nullptr;  // whatever steered the last battle's ship is gone

    shield_ = ShipShield{};
    shield_.mesh = &shipClass.shieldModel();
    const std::size_t shieldVertices = shipClass.shieldModel().positions.size() / 3;
    shield_.colours.resize(shieldVertices * 4);
    for (std::size_t v = 0; v < shieldVertices; ++v) {
      shield_.colours[4 * v] = 1.0f;
      shield_.colours[4 * v + 1] = 1.0f;
      shield_.colours[4 * v + 2] = 1.0f;
      shield_.colours[4 * v + 3] = 0.0f;
    }
    shield_.a = shipClass.shieldAxisX();
    shield_.b = shipClass.shieldAxisY();
    shield_.c = shipClass.shieldAxisZ();
    shield_.a2 = shield_.a * shield_.a;
    shield_.b2 = shield_.b * shield_.b;
    shield_.c2 = shield_.c * shield_.c;
    shield_.abc = shield_.a * shield_.b * shield_.c;
    shield_.strength = shipClass.shieldStrength();
    shield_.glowing = false;
    shield_.scroll = 0;
    shield_.lastUpdate = 0;
    shield_.dark = false;

    DropSounds();
    soundsFailed_ = soundEffects && !TakeSounds(shipClass, output);
    if (soundsFailed_) DropSounds();
    shockWave_ = BillboardInstance{};
    phaserSoundWanted = false;
    phaserSoundPlaying = false;

    forward_ = {0, 0, 1};
    pitch_ = heading_ = roll_ = 0;
    oriented_ = false;
    speed_ = 0;
    orientation_ = IdentityMatrix();
    inverseOrientation_ = IdentityMatrix();
    inverseStale_ = false;
    dead_ = false;
    visible_ = true;
    hullPresent_ = true;
    shockWaveWanted_ = RandomRange(0, 10000) > kShockWaveDrawAbove;
    tunnelFade_ = 0;
    for (ElapsedTimer* timer :
         {&tunnelTimer_, &fadeTimer_, &flashTimer_, &fireballTimer_, &shockWaveTimer_}) {
      timer->Reset();
    }
    fireballChances_ = ChanceClock{};
    lastMoveTime_ = now;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// The copies are the ship's own so that several ships can sound at once; without memory for
// them (or a device that will not take one) the ship is silent and the caller turns sound off.
bool Ship::TakeSounds(const ShipClass& shipClass, platform::SoundOutput* output) {
  try {
    for (std::size_t i = 0; i < std::size_t{ShipClass::kSoundCount}; ++i) {
      sounds_[i] = shipClass.sounds()[i];
      if (output == nullptr || sounds_[i].empty()) continue;
      soundBuffers_[i] = MakeSoundBuffer(output, sounds_[i]);
      if (soundBuffers_[i] == nullptr) return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void Ship::DropSounds() {
  for (std::size_t i = 0; i < std::size_t{ShipClass::kSoundCount}; ++i) {
    soundBuffers_[i].reset();
    sounds_[i] = WaveSound{};
  }
  phaserSoundWanted = false;
  phaserSoundPlaying = false;
}

void Ship::Update(const Vector3& eyeOffset) {
  if (decisionStep_) decisionStep_(*this);
  if (!dead_ && hullPresent_) {
    const FlightOutput flight = flight_.Update();
    pitch_ = flight.pitch;
    heading_ = flight.heading;
    roll_ = flight.roll;
    speed_ = static_cast<float>(flight.effectiveSpeed);
  }
  Orient();
  Move();
  UpdateVisibility(eyeOffset);
}

// The same angles, bit for bit, make the same matrices: a wreck drifting at its last attitude
// keeps them, and a ship the flight model has just turned takes the rotation it made.
void Ship::Orient() {
  const std::array<double, 3> angles{heading_, pitch_, roll_};
  auto same = [&angles](const std::array<double, 3>& other) {
    return std::memcmp(angles.data(), other.data(), sizeof angles) == 0;
  };
  if (oriented_ && same(orientedAngles_)) return;
  orientation_ = flight_.oriented && same(flight_.orientedAngles)
                     ? flight_.orientation
                     : ShipOrientation(heading_, pitch_, roll_);
  inverseStale_ = true;
  orientedAngles_ = angles;
  oriented_ = true;
  // The nose is the image of +Z: the third column.
  forward_ = {static_cast<float>(orientation_[8]), static_cast<float>(orientation_[9]),
              static_cast<float>(orientation_[10])};
}

const std::array<double, 16>& Ship::InverseOrientationMatrix() const {
  if (inverseStale_) {
    inverseOrientation_ =
        ShipInverseOrientation(orientedAngles_[0], orientedAngles_[1], orientedAngles_[2]);
    inverseStale_ = false;
  }
  return inverseOrientation_;
}

// Runs whatever the flags say: a breaking-up or dead ship drifts on at its last speed and
// heading.
void Ship::Move() {
  const std::uint32_t now = platform::TimeMilliseconds();
  if (lastMoveTime_ < now) {
    const double distance = static_cast<double>(speed_) * (now - lastMoveTime_) / 1000.0;
    for (std::size_t i = 0; i < 3; ++i) {
      state_[i] = static_cast<float>(state_[i] + forward_[i] * distance);
    }
  }
  lastMoveTime_ = now;
}

void Ship::UpdateVisibility(const Vector3& eyeOffset) {
  if (!hullPresent_) {
    visible_ = false;
    return;
  }
  Vector3 fromEye = Position().Add(eyeOffset);
  const double d = fromEye.Length();
  visible_ = d == 0.0 || d < kVisibleDistance;
}

ShipState Ship::State() const {
  ShipState state = state_;
  state[3] = speed_;
  state[5] = static_cast<float>(pitch_);
  state[6] = static_cast<float>(heading_);
  state[7] = static_cast<float>(roll_);
  return state;
}

void Ship::AddDamage(float amount, int mesh) {
  if (mesh < 0) {
    totalDamage_ += amount;
  } else if (static_cast<std::size_t>(mesh) < meshDamage_.size()) {
    meshDamage_[static_cast<std::size_t>(mesh)] += amount;
  }
}

float Ship::PerMeshDamage(int mesh) const {
  if (mesh < 0 || static_cast<std::size_t>(mesh) >= meshDamage_.size()) return 0.0f;
  return meshDamage_[static_cast<std::size_t>(mesh)];
}

const WaveSound& Ship::Sound(int which) const {
  static const WaveSound kNone;
  if (which < 1 || which > ShipClass::kSoundCount) return kNone;
  return sounds_[static_cast<std::size_t>(which - 1)];
}

platform::SoundBuffer* Ship::SoundBuffer(int which) const {
  if (which < 1 || which > ShipClass::kSoundCount) return nullptr;
  return soundBuffers_[static_cast<std::size_t>(which - 1)].get();
}

}  // namespace ironwood
