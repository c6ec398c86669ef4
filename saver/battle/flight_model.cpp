#include "saver/battle/flight_model.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"
#include "saver/core/matrix4.h"

namespace ironwood {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// The goal's elevation cosine never reaches 1, so a level goal still asks for a hair of pitch.
constexpr double kLevelCosine = 0.999999999999;
// Below this yaw error per second of step the bank eases off, so the ship rolls level as the
// heading settles on the goal.
constexpr double kLevellingYawPerSecond = 140.0;
// Past this many turns a heading is brought back by division: walking it back 360 degrees at a
// time would take forever, and an infinite one never comes back.
constexpr double kWrapByDivisionBeyond = 360.0 * 64;

double Degrees(double radians) {
  return radians * kDegreesPerRadian;
}

// Into [0, 360] (360 itself stays), one turn at a time.
double WrapHeading(double heading) {
  if (!std::isfinite(heading)) return 0.0;
  if (std::fabs(heading) > kWrapByDivisionBeyond) heading = std::fmod(heading, 360.0);
  while (heading > 360.0) heading -= 360.0;
  while (heading < 0.0) heading += 360.0;
  return heading;
}

}  // namespace

void FlightModel::SetGoal(const Vector3& direction, double weight) {
  goal = direction;
  goalWeight = weight;

  double x, y, z;
  direction.Get(x, y, z);

  // Cosine of the goal's elevation: horizontal length over length, the long way round.
  double c = x * x + z * z;
  Vector3 whole(x, y, z);
  const double length = whole.Length();
  if (length != 0.0) c /= length;
  Vector3 horizontalGoal(x, 0, z);
  const double horizontal = horizontalGoal.Length();
  if (horizontal != 0.0) c /= horizontal;
  if (c >= 1.0) c = kLevelCosine;

  targetPitch = Degrees(std::acos(c));
  if (y > 0.0) targetPitch = -targetPitch;  // a goal above the ship pitches the nose up
  pitchError = targetPitch - pitch;

  Vector3 h(forward.x(), 0, forward.z());
  h.Normalize();
  horizontalGoal.Normalize();
  const double cosine = std::clamp(h.Dot(horizontalGoal), -1.0, 1.0);
  yawError = Degrees(std::acos(cosine));
  if (h.Cross(horizontalGoal).y() < 0.0) yawError = -yawError;

  const double w = std::clamp(weight, 0.0, 1.0);
  targetSpeed = w * attributes.topSpeed;
  speedError = targetSpeed - speed;
}

FlightOutput FlightModel::Update() {
  const std::uint32_t now = platform::TimeMilliseconds();
  if (lastUpdate == 0) lastUpdate = now;
  if (now >= lastUpdate) {
    const double dt = (now - lastUpdate) / 1000.0;
    const double limit = attributes.angleLimit;
    const double pitchRate = attributes.pitchRate;
    const double turnRate = attributes.turnRate;
    const double bankRate = attributes.bankRate;

    if (pitchError > 0.0) {
      pitch += std::sqrt(pitchError / 180.0) * pitchRate * dt;
    } else {
      pitch -= std::sqrt(-pitchError / 180.0) * pitchRate * dt;
    }
    pitch = std::clamp(pitch, -limit, limit);

    // Bank into the turn; a roll already steep enough for the remaining error is eased back.
    const double e = yawError;
    const double levelling = dt * 10.0 + 1.0;
    if (e > 0.0) {
      const double s = std::sqrt(e / 180.0);
      const double threshold = roll / (s * bankRate) * (turnRate * roll);
      if (e > threshold) {
        roll -= s * bankRate * dt;
      } else if (e < threshold) {
        roll += s * bankRate * dt;
      }
      if (e < dt * kLevellingYawPerSecond) roll /= levelling;
    } else if (e < 0.0) {
      const double s = std::sqrt(-e / 180.0);
      const double threshold = roll / (s * bankRate) * (turnRate * roll);
      if (-e > threshold) {
        roll += s * bankRate * dt;
      } else if (-e < threshold) {
        roll -= s * bankRate * dt;
      }
      if (e > -dt * kLevellingYawPerSecond) roll /= levelling;
    }
    roll = std::clamp(roll, -limit, limit);

    // Speed follows the error measured when the goal was set; it has no floor.
    speed += attributes.acceleration * speedError * dt;
    if (speed > attributes.topSpeed) speed = attributes.topSpeed;

    heading = WrapHeading(heading);
    heading -= turnRate * roll * dt;  // a negative roll turns towards increasing heading

    Matrix4 m = IdentityMatrix();
    Rotate(m, heading, 0, 1, 0);
    Rotate(m, pitch, 1, 0, 0);
    Rotate(m, roll, 0, 0, 1);
    forward = Vector3(m[8], m[9], m[10]);
    forward.Normalize();
    orientation = m;
    orientedAngles = {heading, pitch, roll};
    oriented = true;
  }
  lastUpdate = now;
  return {pitch, heading, roll, (1.0 - roll / 180.0) * speed};
}

}  // namespace ironwood
