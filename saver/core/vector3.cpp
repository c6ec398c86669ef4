#include "saver/core/vector3.h"

#include <algorithm>
#include <cmath>

namespace ironwood {

namespace {
constexpr double kDegreesPerRadian = 57.29577951308232;
}

void Vector3::Normalize() {
  const double length = Length();
  if (length != 0.0) {
    x_ /= length;
    y_ /= length;
    z_ /= length;
  }
  length_ = 0.0;
}

float Length3f(float a, float b, float c) {
  return std::sqrt(a * a + b * b + c * c);
}

void DirectionToAngles(Vector3 v, float& pitchOut, float& yawOut) {
  const double len = v.Length();
  double x, y, z;
  v.Get(x, y, z);

  // Cosine of the elevation, h / len, reached the long way round as the angle code always has.
  float t = static_cast<float>(x * x + z * z);
  if (len != 0.0) t = static_cast<float>(t / len);
  float h = Length3f(static_cast<float>(x), 0.0f, static_cast<float>(z));
  if (h != 0.0f) t = t / h;
  if (t >= 1.0f) {
    t = 1.0f;
  } else if (t < -1.0f) {
    t = -1.0f;
  }
  float pitch = static_cast<float>(std::acos(t) * kDegreesPerRadian);
  if (y > 0.0) pitch = -pitch;
  pitchOut = pitch;

  h = Length3f(static_cast<float>(x), 0.0f, static_cast<float>(z));
  if (h != 0.0f) {
    // h is rounded to single precision, so z / h can land a hair outside [-1, 1] for nearly
    // axis-aligned directions; clamp it rather than hand acos a value that yields NaN.
    const double cosYaw = std::clamp(z / h, -1.0, 1.0);
    yawOut = static_cast<float>(std::acos(cosYaw) * kDegreesPerRadian);
  }
  if (x < 0.0) yawOut = -yawOut;
}

}  // namespace ironwood
