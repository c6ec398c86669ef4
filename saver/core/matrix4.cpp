#include "saver/core/matrix4.h"

#include <cmath>

namespace ironwood {

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

Matrix4 IdentityMatrix() {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 out{};
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
      out[column * 4 + row] = sum;
    }
  }
  return out;
}

void Rotate(Matrix4& m, double degrees, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  if (length == 0) return;
  x /= length;
  y /= length;
  z /= length;
  const double radians = degrees * kPi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const double t = 1 - c;
  // Column by column.
  const Matrix4 r = {x * x * t + c,     y * x * t + z * s, x * z * t - y * s, 0,
                     x * y * t - z * s, y * y * t + c,     y * z * t + x * s, 0,
                     x * z * t + y * s, y * z * t - x * s, z * z * t + c,     0,
                     0,                 0,                 0,                 1};
  m = Multiply(m, r);
}

void Translate(Matrix4& m, double x, double y, double z) {
  for (int row = 0; row < 4; ++row) {
    m[12 + row] += m[row] * x + m[4 + row] * y + m[8 + row] * z;
  }
}

std::array<double, 3> TransformPoint(const Matrix4& m, double x, double y, double z) {
  return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
          m[2] * x + m[6] * y + m[10] * z + m[14]};
}

Vector3 TransformPoint(const Matrix4& m, const Vector3& v) {
  const std::array<double, 3> out = TransformPoint(m, v.x(), v.y(), v.z());
  return Vector3(out[0], out[1], out[2]);
}

}  // namespace ironwood
