#pragma once

// One ship of the running battle: where it is, how it flies and thinks, its damage, shield,
// weapons and sounds. A ship is built from its class when a battle starts and lives until the
// battle manager releases the battle.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "saver/core/chance_clock.h"
#include "saver/core/elapsed_timer.h"
#include "saver/core/matrix4.h"
#include "saver/core/vector3.h"
#include "platform/sound_output.h"
#include "saver/audio/wave_sound.h"
#include "saver/battle/flight_model.h"
#include "saver/battle/ship_class.h"
#include "saver/effects/billboard.h"

namespace ironwood {

class Roster;
class Ship;
struct Mesh;

// The start state a ship is created with and keeps as its state: position X, Y, Z, speed, a
// spare, pitch, heading, roll and a second spare.
using ShipState = std::array<float, 9>;

// The ship's decision machine: engage, break off, return to the battle area.
struct ShipAI {
  static constexpr int kEngage = 111;
  static constexpr int kBreakOff = 112;
  static constexpr int kReturn = 113;

  int state = kEngage;
  Ship* target = nullptr;
  std::array<float, 3> storedGoal{};
  float storedWeight = 0;
  std::uint32_t lastPickTime = 0;
  ChanceClock chances;  // the random break-off and return, once each 16 ms of engaging
};

// A phaser or a torpedo launcher of one ship; both use the same record.
struct WeaponState {
  const WeaponMount* mount = nullptr;
  float value = 0;  // phaser: damage per 100 ms of firing; launcher: damage of one torpedo
  float charge = 1.0f;  // above 0: may fire; at or below 0: cooling down
  std::uint32_t lastUpdate = 0;
  std::array<float, 3> mountWorldOffset{};
  Ship* target = nullptr;
  bool firing = false;
  float beamYaw = 0, beamPitch = 0, beamLength = 0, beamOpacity = 0;
  ChanceTicks flashChances;  // a phaser's flashes on a hull, by the beam's time on it
};

// The shield bubble of one ship: the class's shield mesh, drawn with the ship's own per-vertex
// colours so that each ship glows where it is hit.
struct ShipShield {
  const Mesh* mesh = nullptr;
  std::vector<float> colours;  // R, G, B, A per shield vertex
  float a = 0, b = 0, c = 0;   // semi-axes X, Y, Z
  float a2 = 0, b2 = 0, c2 = 0;
  float abc = 0;
  float strength = 0;
  // How the shield pass draws it: only while some vertex still glows, its texture sliding
  // along by `scroll` (0..1); `lastUpdate` is when the glow last faded (0: not yet).
  bool glowing = false;
  float scroll = 0;
  std::uint32_t lastUpdate = 0;
  // Every alpha is known to be 0: the last fade found none above it and nothing has lit the
  // shield since, so the next fade need not walk the vertices. Glow clears it; anything else
  // that lights colours must too.
  bool dark = false;

  // Where the direction from the ship's centre leaves the shield ellipsoid, in model space; the
  // centre (0, 0, 0) when the shield is down.
  Vector3 Point(const Vector3& direction) const;
  // A hit at shield point p: the vertices near it light up (alpha capped at 1), and the
  // strength drops by the damage.
  void Glow(const Vector3& p, float damage);
};

// Model-to-world rotation of a ship with these angles (degrees): heading about Y, then pitch
// about X, then roll about Z, composed as the fixed-function matrix calls compose them.
Matrix4 ShipOrientation(double heading, double pitch, double roll);
// World-to-model: the same turns undone in reverse order.
Matrix4 ShipInverseOrientation(double heading, double pitch, double roll);

class Ship {
 public:
  static constexpr float kDeathDamage = 100.0f;
  // Ships farther than this from the camera's eye are not drawn.
  static constexpr double kVisibleDistance = 413.0;

  // The decision step that runs first in every update and steers the flight model. Until the
  // ship's own decision machine runs there, the ship keeps the goal it was last given.
  using DecisionStep = std::function<void(Ship&)>;

  Ship() = default;
  Ship(const Ship&) = delete;  // rosters, classes and weapons point at ships
  Ship& operator=(const Ship&) = delete;

  // Builds the ship of `shipClass` at `start`, replacing any earlier state. The class must
  // outlive the ship. With soundEffects on the ship takes its own copies of the class's three
  // sounds, and with an output its own buffers to play them; when those cannot be made the ship
  // is built silent and SoundsFailed() says so. False when memory for the rest runs out.
  bool Create(const ShipClass& shipClass, const ShipState& start, bool soundEffects,
              platform::SoundOutput* output = nullptr);
  // The last Create wanted sounds and could not have them: sound effects go off for the run.
  bool SoundsFailed() const { return soundsFailed_; }
  // Lets go of the ship's sound copies and buffers (sound effects went off).
  void DropSounds();

  void SetDecisionStep(DecisionStep step) { decisionStep_ = std::move(step); }

  // The per-frame step, for every ship, dead or alive: decide, fly (only while intact enough to
  // fly), orient, drift along the nose, and decide visibility from the camera's eye, which sits
  // at -eyeOffset in the world.
  void Update(const Vector3& eyeOffset);
  // The visibility step alone: while the followed ship is in the tunnel only it is drawn, and
  // nothing else of it is updated.
  void UpdateVisibility(const Vector3& eyeOffset);

  // The state with speed and the three angles refreshed from the ship's own values.
  ShipState State() const;
  Vector3 Position() const { return Vector3(state_[0], state_[1], state_[2]); }
  // Puts the ship at another start state (the focus ship starts at the origin).
  void SetStartState(const ShipState& start) { state_ = start; }
  // The largest shield semi-axis; every ship-size test uses it (for every pair of ships, every
  // frame: inline).
  float Radius() const { return std::max({shield_.a, shield_.b, shield_.c}); }

  bool IsDead() const { return dead_; }
  void SetDead(bool dead) { dead_ = dead; }
  bool HullPresent() const { return hullPresent_; }
  void SetHullPresent(bool present) { hullPresent_ = present; }
  bool IsVisible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool ShockWaveWanted() const { return shockWaveWanted_; }

  const ShipClass* Class() const { return class_; }
  Roster* GetRoster() const { return roster_; }
  void SetRoster(Roster* roster) { roster_ = roster; }

  // With a mesh index below 0 the amount goes to the total; otherwise to that hull mesh. An
  // index beyond the class's meshes is ignored.
  void AddDamage(float amount, int mesh);
  float PerMeshDamage(int mesh) const;
  float TotalDamage() const { return totalDamage_; }

  const std::array<float, 3>& Forward() const { return forward_; }
  double Pitch() const { return pitch_; }
  double Heading() const { return heading_; }
  double Roll() const { return roll_; }
  float Speed() const { return speed_; }
  const std::array<double, 16>& OrientationMatrix() const { return orientation_; }
  // Made from the angles the orientation was made of, when first asked for after a turn: few
  // ships are looked at from outside in a frame.
  const std::array<double, 16>& InverseOrientationMatrix() const;

  float TunnelFade() const { return tunnelFade_; }
  void SetTunnelFade(float fade) { tunnelFade_ = fade; }
  ElapsedTimer& TunnelTimer() { return tunnelTimer_; }
  ElapsedTimer& FadeTimer() { return fadeTimer_; }
  ElapsedTimer& FlashTimer() { return flashTimer_; }
  ElapsedTimer& FireballTimer() { return fireballTimer_; }
  ElapsedTimer& ShockWaveTimer() { return shockWaveTimer_; }
  ChanceClock& FireballChances() { return fireballChances_; }
  // The disc of the ship's break-up, set up by its first shock-wave frame.
  BillboardInstance& ShockWave() { return shockWave_; }

  std::uint32_t LastMoveTime() const { return lastMoveTime_; }

  FlightModel& Flight() { return flight_; }
  const FlightModel& Flight() const { return flight_; }
  ShipAI& AI() { return ai_; }
  const ShipAI& AI() const { return ai_; }
  ShipShield& Shield() { return shield_; }
  const ShipShield& Shield() const { return shield_; }
  std::vector<WeaponState>& Phasers() { return phasers_; }
  std::vector<WeaponState>& TorpedoLaunchers() { return torpedoLaunchers_; }

  // The ship's own copy of class sound 1, 2 or 3 (torpedo launch, phaser loop, break-up), so
  // that several ships can sound at once; empty when sound effects are off, the class carries
  // no sounds, or `which` is not 1 to 3.
  const WaveSound& Sound(int which) const;
  // The buffer that plays sound 1, 2 or 3; null without one.
  platform::SoundBuffer* SoundBuffer(int which) const;
  bool phaserSoundWanted = false;
  bool phaserSoundPlaying = false;

 private:
  void Orient();
  void Move();
  bool TakeSounds(const ShipClass& shipClass, platform::SoundOutput* output);

  const ShipClass* class_ = nullptr;
  Roster* roster_ = nullptr;
  ShipState state_{};
  // The heading, pitch and roll the orientation matrices were last made of.
  std::array<double, 3> orientedAngles_{0, 0, 0};
  bool oriented_ = false;
  std::array<float, 3> forward_{0, 0, 1};
  double pitch_ = 0, heading_ = 0, roll_ = 0;
  float speed_ = 0;
  std::array<double, 16> orientation_{};
  mutable std::array<double, 16> inverseOrientation_{};
  mutable bool inverseStale_ = false;  // the angles have changed since it was made
  std::vector<float> meshDamage_;
  float totalDamage_ = 0;
  bool dead_ = false;
  bool visible_ = true;
  bool hullPresent_ = true;
  bool shockWaveWanted_ = false;
  bool soundsFailed_ = false;
  float tunnelFade_ = 0;
  ElapsedTimer tunnelTimer_, fadeTimer_, flashTimer_, fireballTimer_, shockWaveTimer_;
  ChanceClock fireballChances_;
  std::uint32_t lastMoveTime_ = 0;
  DecisionStep decisionStep_;
  FlightModel flight_;
  ShipAI ai_;
  ShipShield shield_;
  std::vector<WeaponState> phasers_;
  std::vector<WeaponState> torpedoLaunchers_;
  std::array<WaveSound, ShipClass::kSoundCount> sounds_;
  std::array<std::unique_ptr<platform::SoundBuffer>, ShipClass::kSoundCount> soundBuffers_;
  BillboardInstance shockWave_;
};

}  // namespace ironwood
