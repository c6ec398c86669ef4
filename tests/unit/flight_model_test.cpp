#include <gtest/gtest.h>

#include <cmath>

#include "platform/headless/manual_clock.h"
#include "saver/battle/flight_model.h"

namespace ironwood {
namespace {

constexpr double kPi = 3.14159265358979323846;
double Radians(double degrees) { return degrees * kPi / 180.0; }

// pitch rate 30, turn rate 0.5, bank rate 40, angle limit 30, acceleration 0.75, top speed 20
// (all exact in single precision).
class FlightModelTest : public ::testing::Test {
 protected:
  FlightModelTest() : scoped_(clock_) { Fresh(); }

  // A new model, level along +Z at rest, its clock started now.
  void Fresh() {
    model_ = FlightModel{};
    model_.SetAttributes({30, 0.5f, 40, 30, 0.75f, 20});
    model_.Update();
  }

  FlightOutput Step(std::uint32_t milliseconds) {
    clock_.Advance(milliseconds);
    return model_.Update();
  }

  // A level goal `degrees` to the side of a nose along +Z (positive: towards +X).
  static Vector3 Beside(double degrees) {
    return Vector3(std::sin(Radians(degrees)), 0, std::cos(Radians(degrees)));
  }

  platform::ManualClock clock_{1000};
  platform::ScopedClock scoped_;
  FlightModel model_;
};

TEST_F(FlightModelTest, GoalGivesElevationAndTurnMeasuredFromTheNose) {
  // Straight ahead: the cosine is held just below 1, so acos gives sqrt(2e-12) radians.
  model_.SetGoal(Vector3(0, 0, 1), 0);
  EXPECT_NEAR(model_.targetPitch, std::sqrt(2e-12) * 180.0 / kPi, 1e-8);
  EXPECT_GT(model_.targetPitch, 8.0e-5);
  EXPECT_EQ(model_.yawError, 0.0);

  // Straight up: no horizontal part, so c = 0 and the yaw cosine meets a zero vector.
  model_.SetGoal(Vector3(0, 1, 0), 1);
  EXPECT_NEAR(model_.targetPitch, -90.0, 1e-12);
  EXPECT_NEAR(model_.pitchError, -90.0, 1e-12);
  EXPECT_NEAR(model_.yawError, 90.0, 1e-12);
  // Straight down pitches the nose down.
  model_.SetGoal(Vector3(0, -3, 0), 1);
  EXPECT_NEAR(model_.targetPitch, 90.0, 1e-12);

  // 45 degrees up, measured from a nose already pitched 10 degrees down.
  model_.pitch = 10;
  model_.SetGoal(Vector3(0, 2, 2), 1);
  EXPECT_NEAR(model_.targetPitch, -45.0, 1e-9);
  EXPECT_NEAR(model_.pitchError, -55.0, 1e-9);
  model_.pitch = 0;

  // The turn's sign: +X lies towards increasing heading, -X the other way, behind is +180.
  model_.SetGoal(Vector3(5, 0, 0), 1);
  EXPECT_NEAR(model_.yawError, 90.0, 1e-12);
  model_.SetGoal(Vector3(-5, 0, 0), 1);
  EXPECT_NEAR(model_.yawError, -90.0, 1e-12);
  model_.SetGoal(Vector3(0, 0, -1), 1);
  EXPECT_NEAR(model_.yawError, 180.0, 1e-12);
  model_.SetGoal(Beside(30), 1);
  EXPECT_NEAR(model_.yawError, 30.0, 1e-9);

  // The nose's own climb does not count; only its horizontal direction. Nose along +X, rising.
  model_.forward = Vector3(1, 5, 0);
  model_.SetGoal(Vector3(0, 0, 1), 1);
  EXPECT_NEAR(model_.yawError, -90.0, 1e-12);
}

TEST_F(FlightModelTest, WeightIsClampedAndSetsTheSpeedError) {
  model_.speed = 4;
  model_.SetGoal(Vector3(0, 0, 1), 0.5);
  EXPECT_EQ(model_.targetSpeed, 10.0);
  EXPECT_EQ(model_.speedError, 6.0);
  model_.SetGoal(Vector3(0, 0, 1), 3);
  EXPECT_EQ(model_.targetSpeed, 20.0);
  model_.SetGoal(Vector3(0, 0, 1), -1);
  EXPECT_EQ(model_.targetSpeed, 0.0);
  EXPECT_EQ(model_.speedError, -4.0);
}

TEST_F(FlightModelTest, PitchMovesWithTheRootOfItsErrorAndStopsAtTheAngleLimit) {
  model_.SetGoal(Vector3(0, 1, 0), 0);
  FlightOutput out = Step(100);
  const double expected = -std::sqrt(90.0 / 180.0) * 30 * 0.1;  // -2.1213
  EXPECT_NEAR(out.pitch, expected, 1e-12);
  // A negative pitch lifts the nose.
  EXPECT_NEAR(model_.forward.y(), std::sin(Radians(-expected)), 1e-12);

  out = Step(2000);  // 42 more degrees asked for, 30 allowed
  EXPECT_EQ(out.pitch, -30.0);
  EXPECT_NEAR(model_.forward.y(), 0.5, 1e-12);

  model_.SetGoal(Vector3(0, -1, 0), 0);
  EXPECT_EQ(Step(10000).pitch, 30.0);
}

TEST_F(FlightModelTest, LargeYawErrorBanksIntoTheTurnAndSwingsTheHeading) {
  // e = +90, roll 0: the threshold is 0, so the roll goes negative by sqrt(0.5) x 40 x 0.1.
  model_.SetGoal(Vector3(1, 0, 0), 1);
  FlightOutput out = Step(100);
  EXPECT_NEAR(out.roll, -2.8284271247461903, 1e-12);
  EXPECT_NEAR(out.heading, 0.5 * 2.8284271247461903 * 0.1, 1e-12);  // towards +X

  // The mirror image; the heading is wrapped before the turn, so it may end just below 0.
  Fresh();
  model_.SetGoal(Vector3(-1, 0, 0), 1);
  out = Step(100);
  EXPECT_NEAR(out.roll, 2.8284271247461903, 1e-12);
  EXPECT_NEAR(out.heading, -0.5 * 2.8284271247461903 * 0.1, 1e-12);
}

TEST_F(FlightModelTest, SteepBankForASmallErrorEasesBack) {
  // roll -20, e = +10: threshold = -20 / (s x 40) x (0.5 x -20) = 21.2 > 10, so the roll comes
  // back by s x 40 x dt, s = sqrt(10 / 180). At dt 0.05 the error is above dt x 140 = 7.
  const double s = std::sqrt(10.0 / 180.0);
  model_.roll = -20;
  model_.SetGoal(Beside(10), 1);
  EXPECT_NEAR(Step(50).roll, -20 + s * 40 * 0.05, 1e-9);

  Fresh();
  model_.roll = 20;
  model_.SetGoal(Beside(-10), 1);
  EXPECT_NEAR(Step(50).roll, 20 - s * 40 * 0.05, 1e-9);
}

TEST_F(FlightModelTest, SmallErrorAgainstTheStepLevelsTheBank) {
  // At dt 0.1, e = 10 is below dt x 140 = 14: after the bank step the roll is divided by
  // dt x 10 + 1 = 2.
  const double s = std::sqrt(10.0 / 180.0);
  model_.roll = -20;
  model_.SetGoal(Beside(10), 1);
  EXPECT_NEAR(Step(100).roll, (-20 + s * 40 * 0.1) / 2, 1e-9);

  Fresh();
  model_.roll = 20;
  model_.SetGoal(Beside(-10), 1);
  EXPECT_NEAR(Step(100).roll, (20 - s * 40 * 0.1) / 2, 1e-9);

  // No error at all: the roll is left as it is, not levelled.
  Fresh();
  model_.roll = 20;
  model_.SetGoal(Vector3(0, 0, 1), 1);
  EXPECT_EQ(model_.yawError, 0.0);
  EXPECT_EQ(Step(100).roll, 20.0);
}

TEST_F(FlightModelTest, RollIsHeldToTheAngleLimit) {
  model_.attributes.angleLimit = 10;
  for (int i = 0; i < 3; ++i) {
    model_.SetGoal(Vector3(1, 0, 0), 1);
    EXPECT_EQ(Step(500).roll, -10.0);  // 14.1 degrees asked for each time
  }
  Fresh();
  model_.attributes.angleLimit = 10;
  for (int i = 0; i < 3; ++i) {
    model_.SetGoal(Vector3(-1, 0, 0), 1);
    EXPECT_EQ(Step(500).roll, 10.0);
  }
}

TEST_F(FlightModelTest, SpeedClosesOnTheWeightedTopSpeed) {
  // Each 0.1 s step closes 0.75 x 0.1 = 7.5 % of the gap to 10 measured at the goal.
  model_.SetGoal(Vector3(0, 0, 1), 0.5);
  EXPECT_NEAR(Step(100).effectiveSpeed, 0.75, 1e-12);
  for (int i = 1; i < 100; ++i) {
    model_.SetGoal(Vector3(0, 0, 1), 0.5);
    Step(100);
  }
  EXPECT_NEAR(model_.speed, 10 - 10 * std::pow(0.925, 100), 1e-9);
  EXPECT_LT(model_.speed, 10.0);

  // The error is not reduced between goals: without a new goal the speed overshoots.
  Step(10000);
  EXPECT_GT(model_.speed, 10.0);

  // Capped at the top speed, but with no floor.
  model_.SetGoal(Vector3(0, 0, 1), 1);
  EXPECT_EQ(Step(100000).effectiveSpeed, 20.0);
  model_.SetGoal(Vector3(0, 0, 1), 0);
  EXPECT_NEAR(Step(2500).effectiveSpeed, 20 - 0.75 * 20 * 2.5, 1e-9);  // -17.5
}

TEST_F(FlightModelTest, HeadingIsWrappedBeforeEachTurn) {
  const struct {
    double before, after;
  } cases[] = {{370, 10}, {-5, 355}, {-725, 355}, {720, 360}, {360, 360}, {0, 0}};
  for (const auto& c : cases) {
    model_.heading = c.before;
    EXPECT_NEAR(Step(100).heading, c.after, 1e-9) << c.before;
  }
  // Absurd rates throw the heading far out; it still comes back at once.
  model_.heading = 1e30;
  const double wrapped = Step(100).heading;
  EXPECT_GE(wrapped, 0.0);
  EXPECT_LE(wrapped, 360.0);
  model_.heading = INFINITY;
  EXPECT_EQ(Step(100).heading, 0.0);
}

TEST_F(FlightModelTest, NegativeRollAddsToTheEffectiveSpeed) {
  model_.roll = -18;
  model_.speed = 10;
  model_.SetGoal(Vector3(0, 0, 1), 0.5);  // no yaw error, no speed error
  const FlightOutput out = Step(100);
  EXPECT_EQ(out.roll, -18.0);
  EXPECT_NEAR(out.effectiveSpeed, (1 + 18.0 / 180) * 10, 1e-9);  // 11
  EXPECT_EQ(model_.speed, 10.0);
  EXPECT_NEAR(out.heading, 0.5 * 18 * 0.1, 1e-12);

  Fresh();
  model_.roll = 18;
  model_.speed = 10;
  model_.SetGoal(Vector3(0, 0, 1), 0.5);
  EXPECT_NEAR(Step(100).effectiveSpeed, 9.0, 1e-9);
}

TEST_F(FlightModelTest, FirstStepOnlyStartsTheClockAndABackwardClockChangesNothing) {
  FlightModel fresh;
  fresh.SetAttributes({30, 0.5f, 40, 30, 0.75f, 20});
  fresh.SetGoal(Vector3(1, 1, 0), 1);
  FlightOutput out = fresh.Update();
  EXPECT_EQ(fresh.lastUpdate, 1000u);
  EXPECT_EQ(out.pitch, 0.0);
  EXPECT_EQ(out.roll, 0.0);
  EXPECT_EQ(out.effectiveSpeed, 0.0);

  model_.SetGoal(Vector3(1, 1, 0), 1);
  clock_.Set(500);
  out = model_.Update();
  EXPECT_EQ(out.pitch, 0.0);
  EXPECT_EQ(out.roll, 0.0);
  EXPECT_EQ(model_.lastUpdate, 500u);
  // From the new reading on, time counts again.
  clock_.Set(600);
  EXPECT_LT(model_.Update().pitch, 0.0);
}

}  // namespace
}  // namespace ironwood
