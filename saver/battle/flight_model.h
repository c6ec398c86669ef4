#pragma once

// How a ship turns a steering goal (a direction and a throttle) into attitude and speed: the
// nose pitches towards the goal's elevation, the ship banks into the turn, and the bank swings
// the heading round. Every change is limited by the class's rates.

#include <array>
#include <cstdint>

#include "saver/assets/plugin_file.h"
#include "saver/core/matrix4.h"
#include "saver/core/vector3.h"

namespace ironwood {

// What one flight step hands to the ship: the attitude in degrees and the speed along the nose
// once the bank has taken its share, (1 - roll / 180) x speed with the roll signed.
struct FlightOutput {
  double pitch = 0;
  double heading = 0;
  double roll = 0;
  double effectiveSpeed = 0;
};

struct FlightModel {
  double pitch = 0, heading = 0, roll = 0;  // degrees
  double targetPitch = 0, pitchError = 0, yawError = 0;  // degrees
  double speed = 0, targetSpeed = 0, speedError = 0;
  FlightAttributes attributes;  // the class's, copied
  Vector3 forward{0, 0, 1};     // unit vector of the nose
  // The rotation the last step turned the nose with, and the angles it was made of (heading,
  // pitch, roll), so that a ship at those angles need not make it again.
  Matrix4 orientation = IdentityMatrix();
  std::array<double, 3> orientedAngles{0, 0, 0};
  bool oriented = false;
  std::uint32_t lastUpdate = 0;  // ms; 0: not yet started

  // The goal as last given, for whoever wants to know where the ship is steering.
  Vector3 goal{0, 0, 1};
  double goalWeight = 0;

  void SetAttributes(const FlightAttributes& classAttributes) { attributes = classAttributes; }

  // Steers towards `direction` at `weight` (clamped to 0..1) of the top speed. The pitch, yaw
  // and speed errors are measured here against the present attitude and not reduced while the
  // ship turns: the goal is meant to be set again every frame.
  void SetGoal(const Vector3& direction, double weight);

  // One step over the time since the previous one (read from the saver's clock): pitch, bank,
  // speed, heading and the nose direction. The first call only starts the clock; a clock that
  // went backwards leaves the attitude as it is.
  FlightOutput Update();
};

}  // namespace ironwood
