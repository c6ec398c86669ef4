#pragma once

// The small vector arithmetic the generators share (models, sky directions).

#include <cmath>

namespace ironwood::assetgen {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) {
  return std::sqrt(Dot(a, a));
}
// The unit vector, or (0, 0, 0) for the zero vector.
inline Vec3 Normalized(Vec3 a) {
  const float length = Length(a);
  return length > 0 ? a * (1.0f / length) : Vec3{};
}

}  // namespace ironwood::assetgen
