#pragma once

// The one camera of the battle: from where the picture is seen. It never draws; it multiplies its
// transform onto the modelview matrix when a pass asks, moves slowly once a frame, and tells the
// visibility test and the sounds where its eye is. It only moves with the 3D camera view on; with
// it off the view looks at the origin from a fixed 150 units.

#include <array>
#include <cstdint>
#include <functional>

#include "saver/core/elapsed_timer.h"
#include "saver/core/matrix4.h"

namespace ironwood {

class Ship;

class Camera {
 public:
  // Circles the look-at point at the battle-start distance, swinging slowly.
  static constexpr int kBattleOrbit = 1008;
  // Stays still and watches the followed ship, jumping ahead of it when it gets too far away.
  static constexpr int kFlyby = 1009;
  // Circles the look-at point (kept on the followed ship) at a fixed distance.
  static constexpr int kShipOrbit = 1010;

  static constexpr float kShipOrbitDistance = -110.0f;
  static constexpr float kFixedViewDistance = -150.0f;  // the 3D camera view off
  static constexpr std::uint32_t kSwingMilliseconds = 10000;
  static constexpr double kPitchLimit = 45.0;

  // The integer draw the swings are made with (a, b) -> a..b-1; the saver's generator unless a
  // test scripts the draws.
  using Draw = std::function<int(int a, int b)>;

  Camera();
  explicit Camera(Draw draw) : draw_(std::move(draw)) {}

  // Every battle start: looking at the origin, angles 0, the given distance along the view axis
  // (negative moves the scene away), a new swing, and whether the camera moves at all.
  void Reset(float distance, bool use3D);
  void SetLookAt(float x, float y, float z);
  // Switches mode and follows `ship` (none is allowed; then a flyby stands still and leaving one
  // looks at the origin).
  void SetMode(int mode, const Ship* ship);

  // Multiplies the asked-for parts onto the current matrix: the distance along the view axis,
  // the rotation, and the move to the look-at point (or the flyby eye). With `advance` the
  // motion first moves on. With the 3D camera view off only the distance part does anything.
  void Apply(bool distancePart, bool rotationPart, bool lookAtPart, bool advance);
  void ApplyFull(bool advance) { Apply(true, true, true, advance); }

  // One step of the motion: the eased swing in the two orbits, the flyby's jump and aim.
  void Advance();

  // e such that |position + e| is the distance from the eye to `position`.
  std::array<float, 3> EyeOffset() const;

  int Mode() const { return mode_; }
  bool Use3D() const { return use3D_; }
  double Pitch() const { return pitch_; }
  double Yaw() const { return yaw_; }
  double PitchSwing() const { return pitchSwing_; }
  double YawSwing() const { return yawSwing_; }
  float Distance() const { return distance_; }
  const std::array<float, 3>& LookAt() const { return lookAt_; }
  const std::array<float, 3>& FlybyOffset() const { return flybyOffset_; }
  const Ship* FollowedShip() const { return ship_; }

 private:
  void NewSwing();
  void AdvanceOrbit();
  void AdvanceFlyby();
  // Identity turned by -yaw about Y, then by -pitch about X: its third column is the view axis
  // in world space.
  Matrix4 InverseRotation() const;
  // The negated position of a point 100 units out from the look-at point along the view axis.
  std::array<float, 3> OrbitEyeOffset() const;

  Draw draw_;
  double pitch_ = 0, yaw_ = 0;
  double pitchSwing_ = 0, yawSwing_ = 0;
  double pitchStart_ = 0, yawStart_ = 0;
  int mode_ = kBattleOrbit;
  float distance_ = 0;
  std::array<float, 3> lookAt_{};
  std::array<float, 3> flybyOffset_{};
  const Ship* ship_ = nullptr;
  ElapsedTimer swingTimer_;
  bool use3D_ = true;
};

}  // namespace ironwood
