#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

#include "glapi/gl_table.h"
#include "saver/battle/ship.h"
#include "tests/render/render_support.h"

namespace ironwood {
namespace {

// The driver keeps its matrices in single precision, so its read-back differs from the double
// arithmetic by rounding alone; the worst seen with Mesa's software driver is just under 1e-6 for
// these angle ranges (9.9e-7, growing with the size of the angles).
constexpr double kTolerance = 2e-6;

// The same turns through the driver's matrix stack, read back between a push and a pop.
Matrix4 DriverMatrix(double first, const double axis1[3], double second, const double axis2[3],
                     double third, const double axis3[3]) {
  Matrix4 m{};
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glRotated(first, axis1[0], axis1[1], axis1[2]);
  gl.glRotated(second, axis2[0], axis2[1], axis2[2]);
  gl.glRotated(third, axis3[0], axis3[1], axis3[2]);
  gl.glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
  gl.glPopMatrix();
  return m;
}

double WorstDifference(const Matrix4& a, const Matrix4& b) {
  double worst = 0;
  for (std::size_t i = 0; i < 16; ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
  return worst;
}

TEST(Render, ShipOrientationMatchesTheDriversMatrixStack) {
  IRONWOOD_OPEN_OFFSCREEN(renderer, 16, 16);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glLoadIdentity();

  const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
  std::mt19937 draw(20240917u);
  // Angles from -540 to +540 degrees, spread evenly, the same on every standard library.
  auto angle = [&draw] { return static_cast<double>(draw()) / 4294967296.0 * 1080.0 - 540.0; };

  double worst = 0;
  int worstCase = -1;
  for (int i = 0; i < 2000; ++i) {
    const double heading = angle(), pitch = angle(), roll = angle();
    const double forward =
        WorstDifference(ShipOrientation(heading, pitch, roll),
                        DriverMatrix(heading, y, pitch, x, roll, z));
    const double inverse =
        WorstDifference(ShipInverseOrientation(heading, pitch, roll),
                        DriverMatrix(-roll, z, -pitch, x, -heading, y));
    if (std::max(forward, inverse) > worst) {
      worst = std::max(forward, inverse);
      worstCase = i;
    }
  }
  ASSERT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // The push and pop left the stack as it was.
  Matrix4 top{};
  gl.glGetDoublev(GL_MODELVIEW_MATRIX, top.data());
  EXPECT_EQ(top, IdentityMatrix());

  std::printf("worst difference from the driver: %.3g (case %d)\n", worst, worstCase);
  EXPECT_LE(worst, kTolerance) << "case " << worstCase;
}

}  // namespace
}  // namespace ironwood
