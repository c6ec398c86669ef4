#include <gtest/gtest.h>

#include <cmath>

#include "platform/headless/manual_clock.h"
#include "saver/assets/plugin_file.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/core/matrix4.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"

namespace ironwood {
namespace {

constexpr double kPi = 3.14159265358979323846;
double Radians(double degrees) { return degrees * kPi / 180.0; }

TEST(ShipOrientation, InverseUndoesTheOrientationAndTheNoseIsTheThirdColumn) {
  const double angles[][3] = {{0, 0, 0},     {90, 0, 0},       {33, -17, 12},
                              {359, 80, -30}, {-725, 410, 1e3}, {123.4, -45.6, 7.8}};
  for (const auto& a : angles) {
    const double heading = a[0], pitch = a[1], roll = a[2];
    const Matrix4 m = ShipOrientation(heading, pitch, roll);
    const Matrix4 product = Multiply(ShipInverseOrientation(heading, pitch, roll), m);
    const Matrix4 identity = IdentityMatrix();
    for (std::size_t i = 0; i < 16; ++i) EXPECT_NEAR(product[i], identity[i], 1e-12) << i;
    const Matrix4 other = Multiply(m, ShipInverseOrientation(heading, pitch, roll));
    for (std::size_t i = 0; i < 16; ++i) EXPECT_NEAR(other[i], identity[i], 1e-12) << i;

    // +Z turned by the heading about Y after the pitch about X; the roll leaves it alone.
    const double h = Radians(heading), p = Radians(pitch);
    EXPECT_NEAR(m[8], std::sin(h) * std::cos(p), 1e-12);
    EXPECT_NEAR(m[9], -std::sin(p), 1e-12);
    EXPECT_NEAR(m[10], std::cos(h) * std::cos(p), 1e-12);
  }
  // A roll of 90 turns the ship's +X onto world +Y.
  const Matrix4 rolled = ShipOrientation(0, 0, 90);
  EXPECT_NEAR(rolled[0], 0, 1e-12);
  EXPECT_NEAR(rolled[1], 1, 1e-12);
}

// A one-mesh class whose shield has semi-axes 2, 1, 1; flight: pitch rate 30, turn rate 0.5,
// bank rate 40, angle limit 30, acceleration 0.75, top speed 20.
class ShipTest : public ::testing::Test {
 protected:
  ShipTest() : scoped_(clock_) {
    EXPECT_TRUE(class_.Build(testing::FlyingShipPlugin(30), names_, 0, false));
  }

  // A ship at `at` whose decision step asks for `goal` at full throttle every frame.
  void Launch(Ship& ship, const ShipState& at, Vector3 goal) {
    ASSERT_TRUE(ship.Create(class_, at, false));
    ship.SetDecisionStep([goal](Ship& s) { s.Flight().SetGoal(goal, 1.0); });
  }

  platform::ManualClock clock_{5000};
  platform::ScopedClock scoped_;
  testing::RecordingGl gl_;
  TextureNamePool names_;
  ShipClass class_;
  const Vector3 kEyeAtOrigin{0, 0, 0};
};

TEST_F(ShipTest, FlyingCopiesTheFlightModelAndOrientsTheShip) {
  Ship ship;
  Launch(ship, {}, Vector3(1, 1, 0.5));
  for (int i = 0; i < 20; ++i) {
    ship.Update(kEyeAtOrigin);
    clock_.Advance(50);
  }
  const FlightModel& flight = ship.Flight();
  EXPECT_EQ(ship.Pitch(), flight.pitch);
  EXPECT_EQ(ship.Heading(), flight.heading);
  EXPECT_EQ(ship.Roll(), flight.roll);
  EXPECT_LT(ship.Pitch(), 0.0);  // climbing towards the goal
  EXPECT_NE(ship.Roll(), 0.0);
  EXPECT_FLOAT_EQ(ship.Speed(), static_cast<float>((1 - flight.roll / 180) * flight.speed));
  EXPECT_EQ(ship.OrientationMatrix(), ShipOrientation(flight.heading, flight.pitch, flight.roll));
  EXPECT_EQ(ship.InverseOrientationMatrix(),
            ShipInverseOrientation(flight.heading, flight.pitch, flight.roll));
  EXPECT_FLOAT_EQ(ship.Forward()[0], static_cast<float>(flight.forward.x()));
  EXPECT_FLOAT_EQ(ship.Forward()[1], static_cast<float>(flight.forward.y()));
  EXPECT_FLOAT_EQ(ship.Forward()[2], static_cast<float>(flight.forward.z()));
  const ShipState state = ship.State();
  EXPECT_EQ(state[5], static_cast<float>(ship.Pitch()));
  EXPECT_EQ(state[3], ship.Speed());
}

TEST_F(ShipTest, ShipMovesAlongItsNoseAndADyingOneDriftsStraightOn) {
  Ship ship;
  Launch(ship, {10, -5, 3, 0, 0, 0, 0, 0, 0}, Vector3(1, 0.3f, 1));
  for (int i = 0; i < 40; ++i) {
    clock_.Advance(50);
    ship.Update(kEyeAtOrigin);
  }
  // One more step of known length moves it forward x speed x 0.1.
  Vector3 before = ship.Position();
  clock_.Advance(100);
  ship.Update(kEyeAtOrigin);
  const auto& f = ship.Forward();
  const double step = ship.Speed() * 0.1;
  ASSERT_GT(step, 0.1);
  EXPECT_NEAR(ship.Position().x(), before.x() + f[0] * step, 1e-4);
  EXPECT_NEAR(ship.Position().y(), before.y() + f[1] * step, 1e-4);
  EXPECT_NEAR(ship.Position().z(), before.z() + f[2] * step, 1e-4);

  // Breaking up: the hull is gone, the flight model stops, though the decision step still
  // steers it; then it is dead. It keeps its last speed and nose.
  ship.SetHullPresent(false);
  const float speed = ship.Speed();
  const auto nose = ship.Forward();
  const double heading = ship.Heading();
  const Vector3 start = ship.Position();
  for (int i = 1; i <= 30; ++i) {
    if (i == 10) ship.SetDead(true);
    clock_.Advance(100);
    ship.Update(kEyeAtOrigin);
    EXPECT_EQ(ship.Speed(), speed);
    EXPECT_EQ(ship.Forward(), nose);
    EXPECT_EQ(ship.Heading(), heading);
    const double travelled = speed * 0.1 * i;
    EXPECT_NEAR(ship.Position().x(), start.x() + nose[0] * travelled, 1e-3) << i;
    EXPECT_NEAR(ship.Position().y(), start.y() + nose[1] * travelled, 1e-3) << i;
    EXPECT_NEAR(ship.Position().z(), start.z() + nose[2] * travelled, 1e-3) << i;
  }

  // A clock that went backwards moves nothing, and the drift goes on from the new reading.
  const Vector3 where = ship.Position();
  clock_.Set(1000);
  ship.Update(kEyeAtOrigin);
  EXPECT_EQ(ship.Position().x(), where.x());
  EXPECT_EQ(ship.LastMoveTime(), 1000u);
}

TEST_F(ShipTest, ShipIsVisibleWithin413UnitsOfTheEyeWhileItsHullIsPresent) {
  Ship ship;
  Launch(ship, {412, 0, 0, 0, 0, 0, 0, 0, 0}, Vector3(0, 0, 1));
  ship.Update(kEyeAtOrigin);
  EXPECT_TRUE(ship.IsVisible());

  ASSERT_TRUE(ship.Create(class_, {414, 0, 0, 0, 0, 0, 0, 0, 0}, false));
  ship.Update(kEyeAtOrigin);
  EXPECT_FALSE(ship.IsVisible());
  // The eye at (2, 0, 0) brings it within 412 again; the eye at (-2, 0, 0) pushes it away.
  ship.Update(Vector3(-2, 0, 0));
  EXPECT_TRUE(ship.IsVisible());
  ship.Update(Vector3(2, 0, 0));
  EXPECT_FALSE(ship.IsVisible());
  // Right at the eye.
  ship.Update(Vector3(-414, 0, 0));
  EXPECT_TRUE(ship.IsVisible());
  // Off the axes: |(240, 240, 240)| = 415.7.
  ASSERT_TRUE(ship.Create(class_, {240, 240, 240, 0, 0, 0, 0, 0, 0}, false));
  ship.Update(kEyeAtOrigin);
  EXPECT_FALSE(ship.IsVisible());
  ship.Update(Vector3(-2, -2, -2));
  EXPECT_TRUE(ship.IsVisible());

  // Once the hull is gone, never, however close.
  ship.SetHullPresent(false);
  ship.Update(Vector3(-240, -240, -240));
  EXPECT_FALSE(ship.IsVisible());
}

TEST_F(ShipTest, DecisionStepRunsFirstAndIsDroppedWhenTheShipIsRebuilt) {
  Ship ship;
  ASSERT_TRUE(ship.Create(class_, {}, false));
  int calls = 0;
  double rollSeen = -1;
  ship.SetDecisionStep([&](Ship& s) {
    ++calls;
    rollSeen = s.Roll();  // still last frame's: the flight step comes after
    s.Flight().SetGoal(Vector3(1, 0, 0), 1.0);
  });
  ship.Update(kEyeAtOrigin);
  clock_.Advance(100);
  ship.Update(kEyeAtOrigin);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(rollSeen, 0.0);
  EXPECT_LT(ship.Roll(), 0.0);  // banked into the turn the step asked for

  ASSERT_TRUE(ship.Create(class_, {}, false));
  ship.Update(kEyeAtOrigin);
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace ironwood
