#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/headless/manual_clock.h"
#include "saver/core/elapsed_timer.h"
#include "saver/core/random.h"
#include "saver/core/matrix4.h"
#include "saver/core/vector3.h"

namespace ironwood {
namespace {

TEST(Vector3, LengthCacheFollowsEveryOperation) {
  Vector3 zero;
  EXPECT_EQ(zero.Length(), 0.0);
  zero.Normalize();
  EXPECT_EQ(zero.x(), 0.0);
  EXPECT_EQ(zero.y(), 0.0);
  EXPECT_EQ(zero.z(), 0.0);

  Vector3 v(3, 4, 0);
  EXPECT_EQ(v.Length(), 5.0);
  Vector3 copy = v;  // a copy carries the cache
  EXPECT_EQ(copy.CachedLength(), 5.0);
  v.Normalize();
  EXPECT_EQ(v.CachedLength(), 0.0);
  EXPECT_DOUBLE_EQ(v.Length(), 1.0);
  EXPECT_DOUBLE_EQ(v.x(), 0.6);

  // New vectors start with an empty cache even when built from cached ones.
  EXPECT_EQ(copy.Add(copy).CachedLength(), 0.0);
  EXPECT_EQ(copy.Subtract(Vector3(1, 1, 1)).CachedLength(), 0.0);
  EXPECT_EQ(copy.Cross(Vector3(0, 0, 1)).CachedLength(), 0.0);
}

TEST(Vector3, ArithmeticIsRightHanded) {
  const Vector3 x(1, 0, 0), y(0, 1, 0);
  const Vector3 z = x.Cross(y);
  EXPECT_EQ(z.x(), 0.0);
  EXPECT_EQ(z.y(), 0.0);
  EXPECT_EQ(z.z(), 1.0);
  EXPECT_EQ(Vector3(1, 2, 3).Dot(Vector3(4, -5, 6)), 12.0);
  EXPECT_EQ(Vector3(1, 2, 3).LengthSquared(), 14.0);
  const Vector3 d = Vector3(1, 2, 3).Subtract(Vector3(4, 6, 8));
  EXPECT_EQ(d.x(), -3.0);
  EXPECT_EQ(d.y(), -4.0);
  EXPECT_EQ(d.z(), -5.0);
  EXPECT_FLOAT_EQ(Length3f(2, 3, 6), 7.0f);
}

TEST(DirectionToAngles, AxesAndElevations) {
  struct Case {
    Vector3 v;
    float pitch, yaw;
  };
  const Case cases[] = {
      {{0, 0, 1}, 0, 0},   {{1, 0, 0}, 0, 90},  {{-1, 0, 0}, 0, -90}, {{0, 0, -1}, 0, 180},
      {{0, 1, 1}, -45, 0}, {{0, -1, 1}, 45, 0}, {{1, 0, 1}, 0, 45},   {{-2, 0, 2}, 0, -45},
  };
  for (const Case& c : cases) {
    float pitch = 99, yaw = 99;
    DirectionToAngles(c.v, pitch, yaw);
    EXPECT_NEAR(pitch, c.pitch, 1e-3) << c.v.x() << "," << c.v.y() << "," << c.v.z();
    EXPECT_NEAR(yaw, c.yaw, 1e-3) << c.v.x() << "," << c.v.y() << "," << c.v.z();
  }
}

TEST(DirectionToAngles, VerticalDirectionsLeaveYawToTheCaller) {
  float pitch = 0, yaw = 33;
  DirectionToAngles(Vector3(0, 5, 0), pitch, yaw);
  EXPECT_NEAR(pitch, -90, 1e-3);
  EXPECT_EQ(yaw, 33);
  DirectionToAngles(Vector3(0, -5, 0), pitch, yaw);
  EXPECT_NEAR(pitch, 90, 1e-3);
  EXPECT_EQ(yaw, 33);
  // The zero vector: the cosine stays 0, so the pitch is 90; the yaw is untouched.
  DirectionToAngles(Vector3(), pitch, yaw);
  EXPECT_NEAR(pitch, 90, 1e-3);
  EXPECT_EQ(yaw, 33);
}

TEST(DirectionToAngles, NearlyAxisAlignedNeverGivesNaN) {
  // The horizontal length is rounded to single precision; z / h can exceed 1 by a hair.
  for (double z : {1.00000001, 0.1000000001, 7.0000003, -3.00000007}) {
    float pitch = 0, yaw = 0;
    DirectionToAngles(Vector3(1e-9, 0, z), pitch, yaw);
    EXPECT_FALSE(std::isnan(yaw)) << z;
    EXPECT_NEAR(yaw, z > 0 ? 0.0 : 180.0, 0.05) << z;  // single-precision h
  }
}

TEST(ElapsedTimer, StartsOnFirstQueryAndSurvivesClockWrap) {
  platform::ManualClock clock(1000);
  platform::ScopedClock scoped(clock);
  ElapsedTimer timer;
  clock.Advance(500);
  EXPECT_EQ(timer.Elapsed(), 0u);  // first query starts the stopwatch
  clock.Advance(40);
  EXPECT_EQ(timer.Elapsed(), 40u);
  EXPECT_EQ(timer.Last() - timer.Start(), 40u);

  timer.Reset();
  EXPECT_FALSE(timer.Started());
  clock.Set(0xFFFFFFF0u);
  EXPECT_EQ(timer.Elapsed(), 0u);
  clock.Advance(0x30);  // wraps past 2^32
  EXPECT_EQ(clock.NowMilliseconds(), 0x20u);
  EXPECT_EQ(timer.Elapsed(), 0x30u);
}

TEST(RandomGenerator, ReproducesTheRuntimeSequence) {
  RandomGenerator unseeded;  // the runtime's generator before any seeding behaves as seed 1
  RandomGenerator seeded;
  seeded.Seed(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int value : expected) {
    EXPECT_EQ(unseeded.Next(), value);
    EXPECT_EQ(seeded.Next(), value);
  }
}

TEST(RandomGenerator, SaverSeedingDiscardsThreeDraws) {
  SeedSaverRandom(1);
  EXPECT_EQ(SaverRandom().Next(), 26500);
  EXPECT_EQ(RandomRange(0, 32768), 19169);  // the scale is 1 across the full range
}

TEST(RandomRange, BoundsTruncationAndClamping) {
  RandomGenerator generator;
  generator.Seed(7);
  std::set<int> seen;
  for (int i = 0; i < 20000; ++i) {
    const int die = RandomRange(generator, 0, 6);
    ASSERT_GE(die, 0);
    ASSERT_LT(die, 6);  // b itself is never returned
    seen.insert(die);
    const int spread = RandomRange(generator, 0, 50) - 25;
    ASSERT_GE(spread, -25);
    ASSERT_LE(spread, 24);
  }
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(RandomRange(generator, 5, 5), 5);
  EXPECT_EQ(RandomRange(generator, -3, -3), -3);
  // Reversed bounds: above b clamps to b, and b itself is below a, so it clamps to a.
  for (int i = 0; i < 100; ++i) {
    const int reversed = RandomRange(generator, 10, 5);
    ASSERT_TRUE(reversed == 5 || reversed == 10) << reversed;
  }
  // Far-apart bounds do not overflow.
  for (int i = 0; i < 100; ++i) {
    const int wide = RandomRange(generator, INT32_MIN, INT32_MAX);
    ASSERT_GE(wide, INT32_MIN);
    ASSERT_LE(wide, INT32_MAX);
  }
}

TEST(RandomRange, NegativeLowerBoundFavoursZero) {
  // Truncation toward zero folds (-1, 1) onto 0, so 0 comes up about twice as often, and -10
  // only when the draw itself is 0.
  RandomGenerator generator;
  generator.Seed(12345);
  int counts[21] = {};
  const int draws = 210000;
  for (int i = 0; i < draws; ++i) {
    const int v = RandomRange(generator, -10, 10);
    ASSERT_GE(v, -10);
    ASSERT_LE(v, 9);
    ++counts[v + 10];
  }
  const double perValue = draws / 20.0;
  EXPECT_NEAR(counts[10] / perValue, 2.0, 0.1);
  EXPECT_NEAR(counts[15] / perValue, 1.0, 0.1);
  EXPECT_LT(counts[0], 40);  // r == 0 only: about one draw in 32768
}

}  // namespace
}  // namespace ironwood

namespace ironwood {
namespace {

// A quarter turn about y takes +z to +x and +x to -z, as glRotated(90, 0, 1, 0) does; composing
// applies the later rotation first to the model's points.
TEST(Matrix4, RotationsComposeAsTheMatrixCallsDo) {
  Matrix4 m = IdentityMatrix();
  Rotate(m, 90, 0, 2, 0);  // the axis is normalised
  auto p = TransformPoint(m, 0, 0, 1);
  EXPECT_NEAR(p[0], 1, 1e-15);
  EXPECT_NEAR(p[2], 0, 1e-15);
  p = TransformPoint(m, 1, 0, 0);
  EXPECT_NEAR(p[2], -1, 1e-15);

  // Heading 90 then pitch 90 (about x): the nose (+z) first goes to -y, then to -y still under
  // the heading turn (y is its axis).
  Rotate(m, 90, 1, 0, 0);
  p = TransformPoint(m, 0, 0, 1);
  EXPECT_NEAR(p[0], 0, 1e-15);
  EXPECT_NEAR(p[1], -1, 1e-15);
  EXPECT_NEAR(p[2], 0, 1e-15);

  // Translation is applied in the rotated frame, as glTranslated after glRotated.
  Matrix4 t = IdentityMatrix();
  Rotate(t, 90, 0, 1, 0);
  Translate(t, 0, 0, 5);
  p = TransformPoint(t, 0, 0, 0);
  EXPECT_NEAR(p[0], 5, 1e-14);
  EXPECT_NEAR(p[2], 0, 1e-14);

  // A zero axis changes nothing; a rotation and its reverse give the identity.
  Matrix4 same = IdentityMatrix();
  Rotate(same, 30, 0, 0, 0);
  EXPECT_EQ(same, IdentityMatrix());
  Matrix4 back = IdentityMatrix();
  Rotate(back, 37, 1, 2, 3);
  Rotate(back, -37, 1, 2, 3);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(back[i], IdentityMatrix()[i], 1e-15) << i;
}

}  // namespace
}  // namespace ironwood
