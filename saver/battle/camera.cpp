#include "saver/battle/camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "glapi/gl_table.h"
#include "saver/battle/ship.h"
#include "saver/core/random.h"

namespace ironwood {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
// The flyby lets the ship get this far (scaled by its radius, at least kFlybyMinimumReach) before
// the eye jumps 1.95 times that distance along the line of sight, so it lands ahead of the ship.
constexpr double kFlybyReachPerRadius = 60.0 / 5.9;
constexpr double kFlybyMinimumReach = 20.0;
constexpr double kFlybyJump = 1.95;
// How far out from the look-at point the eye of the ship orbit is taken to be.
constexpr double kOrbitEyeDistance = 100.0;

double AcosDegrees(double c) { return std::acos(std::clamp(c, -1.0, 1.0)) * kDegreesPerRadian; }

}  // namespace

Camera::Camera() : draw_([](int a, int b) { return RandomRange(a, b); }) {}

void Camera::Reset(float distance, bool use3D) {
  lookAt_ = {0, 0, 0};
  pitch_ = 0;
  yaw_ = 0;
  distance_ = distance;
  NewSwing();
  use3D_ = use3D;
}

void Camera::SetLookAt(float x, float y, float z) { lookAt_ = {x, y, z}; }

void Camera::NewSwing() {
  pitchStart_ = pitch_;
  yawStart_ = yaw_;
  // The two sign draws test opposite sides of the middle; either way each sign is even odds.
  pitchSwing_ = draw_(10, 30);
  if (draw_(0, 32768) < 16384) pitchSwing_ = -pitchSwing_;
  yawSwing_ = draw_(30, 90);
  if (draw_(0, 32768) > 16384) yawSwing_ = -yawSwing_;
  if (pitchStart_ + pitchSwing_ > kPitchLimit) {
    pitchSwing_ = kPitchLimit - pitchStart_;
  } else if (pitchStart_ + pitchSwing_ < -kPitchLimit) {
    pitchSwing_ = -pitchStart_ - kPitchLimit;
  }
  swingTimer_.Reset();
}

Matrix4 Camera::InverseRotation() const {
  Matrix4 m = IdentityMatrix();
  Rotate(m, -yaw_, 0, 1, 0);
  Rotate(m, -pitch_, 1, 0, 0);
  return m;
}

std::array<float, 3> Camera::OrbitEyeOffset() const {
  const Matrix4 m = InverseRotation();
  return {static_cast<float>(-(lookAt_[0] + (m[8] + m[12]) * kOrbitEyeDistance)),
          static_cast<float>(-(lookAt_[1] + (m[9] + m[13]) * kOrbitEyeDistance)),
          static_cast<float>(-(lookAt_[2] + (m[10] + m[14]) * kOrbitEyeDistance))};
}

void Camera::SetMode(int mode, const Ship* ship) {
  if (mode == kFlyby) {
    if (mode_ == kBattleOrbit) {
      // The eye of the battle orbit, which circles the origin at the battle-start distance.
      const Matrix4 m = InverseRotation();
      flybyOffset_ = {static_cast<float>(distance_ * m[8] + m[12]),
                      static_cast<float>(distance_ * m[9] + m[13]),
                      static_cast<float>(distance_ * m[10] + m[14])};
    } else if (mode_ == kShipOrbit) {
      flybyOffset_ = OrbitEyeOffset();
    }
  } else if ((mode == kBattleOrbit || mode == kShipOrbit) && mode_ == kFlyby) {
    // No ship to look at (the next battle could not start): the origin.
    if (ship != nullptr) {
      const Vector3 p = ship->Position();
      lookAt_ = {static_cast<float>(p.x()), static_cast<float>(p.y()), static_cast<float>(p.z())};
    } else {
      lookAt_ = {0, 0, 0};
    }
    pitch_ = yaw_ = 0;
    pitchSwing_ = yawSwing_ = 0;
    pitchStart_ = yawStart_ = 0;
    NewSwing();
    flybyOffset_ = {0, 0, 0};
  }
  mode_ = mode;
  ship_ = ship;
}

void Camera::Advance() {
  if (mode_ == kFlyby) {
    AdvanceFlyby();
  } else if (mode_ == kBattleOrbit || mode_ == kShipOrbit) {
    AdvanceOrbit();
  }
}

void Camera::AdvanceOrbit() {
  const std::uint32_t t = swingTimer_.Elapsed();
  if (t > kSwingMilliseconds) {
    NewSwing();
    return;
  }
  // Eases from 0 at the start of the swing to 1 at its end, slowest at both ends.
  const double s = std::sin((t / static_cast<double>(kSwingMilliseconds)) * 3.1415927 - 1.5707964);
  const double f = (s + 1.0) / 2.0;
  pitch_ = pitchStart_ + f * pitchSwing_;
  yaw_ = yawStart_ + f * yawSwing_;
  pitch_ = std::clamp(pitch_, -kPitchLimit, kPitchLimit);
  if (yaw_ > 360.0) {
    yaw_ -= 360.0;
  } else if (yaw_ < -360.0) {
    yaw_ += 360.0;
  }
}

void Camera::AdvanceFlyby() {
  if (ship_ == nullptr) return;  // nothing to watch: the eye stays as it is
  const Vector3 p = ship_->Position();
  // From the eye to the ship.
  const double vx = p.x() + flybyOffset_[0];
  const double vy = p.y() + flybyOffset_[1];
  const double vz = p.z() + flybyOffset_[2];
  const double d = std::sqrt(vx * vx + vy * vy + vz * vz);
  const double reach = std::max(ship_->Radius() * kFlybyReachPerRadius, kFlybyMinimumReach);
  if (d > reach) {
    const double jump = reach * kFlybyJump / d;
    flybyOffset_[0] = static_cast<float>(flybyOffset_[0] - vx * jump);
    flybyOffset_[1] = static_cast<float>(flybyOffset_[1] - vy * jump);
    flybyOffset_[2] = static_cast<float>(flybyOffset_[2] - vz * jump);
  }
  // The aim follows the ship as seen before any jump; a jump shows from the next frame.
  const double h = std::sqrt(vx * vx + vz * vz);
  double c = vx * vx + vz * vz;
  if (d != 0) c /= d;
  if (h != 0) c /= h;
  // Rounding can carry the cosines a hair past 1, where acos has no answer.
  pitch_ = AcosDegrees(c);
  if (vy > 0) pitch_ = -pitch_;
  // Straight above or below the eye the heading has no meaning: it stays as it was.
  if (h != 0) {
    yaw_ = AcosDegrees(-vz / h);
    if (vx < 0) yaw_ = -yaw_;
  }
}

void Camera::Apply(bool distancePart, bool rotationPart, bool lookAtPart, bool advance) {
  if (!use3D_) {
    if (distancePart) gl.glTranslatef(0, 0, kFixedViewDistance);
    return;
  }
  if (advance) Advance();
  const auto rotate = [this] {
    gl.glRotated(pitch_, 1, 0, 0);
    gl.glRotated(yaw_, 0, 1, 0);
  };
  switch (mode_) {
    case kBattleOrbit:
    case kShipOrbit:
      if (distancePart) {
        gl.glTranslatef(0, 0, mode_ == kBattleOrbit ? distance_ : kShipOrbitDistance);
      }
      if (rotationPart) rotate();
      if (lookAtPart) gl.glTranslatef(-lookAt_[0], -lookAt_[1], -lookAt_[2]);
      break;
    case kFlyby:
      if (rotationPart) rotate();
      if (lookAtPart) gl.glTranslatef(flybyOffset_[0], flybyOffset_[1], flybyOffset_[2]);
      break;
    default:
      break;
  }
}

std::array<float, 3> Camera::EyeOffset() const {
  if (!use3D_) return {0, 0, -100};
  switch (mode_) {
    case kFlyby:
      return flybyOffset_;
    case kShipOrbit:
      return OrbitEyeOffset();
    default:
      return {-lookAt_[0], 1 - lookAt_[1], -lookAt_[2]};
  }
}

}  // namespace ironwood
