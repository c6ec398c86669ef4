#pragma once

#include <cmath>

namespace ironwood {

// A double-precision vector with a lazily cached length. Every operation that makes a new
// vector leaves the cache empty (0); a copy carries the cache with it.
class Vector3 {
 public:
  Vector3() = default;
  Vector3(double x, double y, double z) : x_(x), y_(y), z_(z) {}

  double x() const { return x_; }
  double y() const { return y_; }
  double z() const { return z_; }
  void Set(double x, double y, double z) { *this = Vector3(x, y, z); }
  void Get(double& x, double& y, double& z) const {
    x = x_;
    y = y_;
    z = z_;
  }

  // Computes and caches the length when the cache is empty. A zero vector recomputes each time,
  // which is harmless.
  // Inline, as are the small operations below: the fire control and the ship AI call them for
  // every pair of ships every frame.
  double Length() {
    if (length_ == 0.0) length_ = std::sqrt(LengthSquared());
    return length_;
  }
  double LengthSquared() const { return x_ * x_ + y_ * y_ + z_ * z_; }
  // Scales to unit length; a zero vector stays zero. The cache is emptied, so a later Length()
  // measures the unit vector.
  void Normalize();

  double Dot(const Vector3& o) const { return x_ * o.x_ + y_ * o.y_ + z_ * o.z_; }
  Vector3 Cross(const Vector3& o) const {
    return Vector3(y_ * o.z_ - o.y_ * z_, z_ * o.x_ - o.z_ * x_, x_ * o.y_ - o.x_ * y_);
  }
  Vector3 Add(const Vector3& o) const { return Vector3(x_ + o.x_, y_ + o.y_, z_ + o.z_); }
  Vector3 Subtract(const Vector3& o) const { return Vector3(x_ - o.x_, y_ - o.y_, z_ - o.z_); }

  // The cached length as it stands: 0 when not computed yet.
  double CachedLength() const { return length_; }

 private:
  double x_ = 0.0;
  double y_ = 0.0;
  double z_ = 0.0;
  double length_ = 0.0;
};

// sqrt(a² + b² + c²) in single precision.
float Length3f(float a, float b, float c);

// Pitch and yaw in degrees of a direction, y up: yaw 0 looks along +z and +90 along +x; pitch is
// 0 in the horizontal plane and negative for rising directions. A vertical direction leaves the
// yaw output as it was (only its sign follows x).
void DirectionToAngles(Vector3 v, float& pitchOut, float& yawOut);

}  // namespace ironwood
