#include "saver/battle/camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <numbers>

#include "platform/headless/manual_clock.h"
#include "saver/battle/ship.h"
#include "tests/support/recording_gl.h"

namespace ironwood {
namespace {

constexpr double kRadians = std::numbers::pi / 180.0;

// A camera whose swing draws come from a script, four a swing: pitch size, pitch sign draw, yaw
// size, yaw sign draw. A pitch sign draw below 16384 and a yaw sign draw above it negate.
struct ScriptedCamera {
  ScriptedCamera() : camera([this](int a, int b) {
    EXPECT_FALSE(draws.empty()) << "an unscripted draw from " << a << " to " << b;
    if (draws.empty()) return a;
    const int value = draws.front();
    draws.pop_front();
    return value;
  }) {}
  void Script(std::initializer_list<int> values) { draws.insert(draws.end(), values); }
  // Advances with the clock at `now`.
  void AdvanceAt(std::uint32_t now) {
    clock.Set(now);
    camera.Advance();
  }

  std::deque<int> draws;
  platform::ManualClock clock{1000};
  platform::ScopedClock scoped{clock};
  Camera camera;
};

void PlaceShip(Ship& ship, float x, float y, float z, float radius) {
  ship.Shield().a = radius;
  ship.SetStartState(ShipState{x, y, z, 0, 0, 0, 0, 0, 0});
}

// ---- The swings of the two orbits ----

TEST(CameraSwing, EasesHalfWayAtFiveSecondsWithEachSignDrawnItsOwnWay) {
  ScriptedCamera s;
  s.Script({20, 100, 80, 100});  // pitch negated (below the middle), yaw kept (not above it)
  s.camera.Reset(-40, true);
  EXPECT_DOUBLE_EQ(s.camera.PitchSwing(), -20);
  EXPECT_DOUBLE_EQ(s.camera.YawSwing(), 80);
  s.AdvanceAt(1000);  // the swing timer starts here
  EXPECT_NEAR(s.camera.Pitch(), 0, 1e-9);
  s.AdvanceAt(6000);
  EXPECT_NEAR(s.camera.Pitch(), -10, 1e-5);
  EXPECT_NEAR(s.camera.Yaw(), 40, 1e-5);
  s.AdvanceAt(11000);  // the swing's end, eased to a stop
  EXPECT_NEAR(s.camera.Pitch(), -20, 1e-5);
  EXPECT_NEAR(s.camera.Yaw(), 80, 1e-5);

  // Past ten seconds the next swing starts where this one ended, and the frame does not move.
  s.Script({20, 20000, 80, 20000});  // pitch kept, yaw negated
  s.AdvanceAt(11001);
  EXPECT_DOUBLE_EQ(s.camera.PitchSwing(), 20);
  EXPECT_DOUBLE_EQ(s.camera.YawSwing(), -80);
  EXPECT_NEAR(s.camera.Pitch(), -20, 1e-5);
  s.AdvanceAt(12000);  // the new swing's timer starts
  s.AdvanceAt(17000);
  EXPECT_NEAR(s.camera.Pitch(), -10, 1e-5);
  EXPECT_NEAR(s.camera.Yaw(), 40, 1e-5);
}

TEST(CameraSwing, ASwingThatWouldPassFortyFiveDegreesIsCutShort) {
  ScriptedCamera s;
  // Two full upward swings of 30 and 10 bring the pitch to 40.
  s.Script({30, 20000, 30, 0});
  s.camera.Reset(-40, true);
  s.AdvanceAt(1000);
  s.AdvanceAt(11000);
  s.Script({10, 20000, 30, 0});
  s.AdvanceAt(11001);
  s.AdvanceAt(12000);
  s.AdvanceAt(22000);
  EXPECT_NEAR(s.camera.Pitch(), 40, 1e-5);
  s.Script({25, 20000, 30, 0});
  s.AdvanceAt(22001);
  EXPECT_NEAR(s.camera.PitchSwing(), 5, 1e-5);
  s.AdvanceAt(23000);
  s.AdvanceAt(33000);
  EXPECT_NEAR(s.camera.Pitch(), 45, 1e-5);

  // The same downwards: from 45 a drawn swing of -25 would stay inside; from -40 it would not.
  s.Script({30, 0, 30, 0});
  s.AdvanceAt(33001);
  EXPECT_DOUBLE_EQ(s.camera.PitchSwing(), -30);
  s.AdvanceAt(34000);
  s.AdvanceAt(44000);
  s.Script({30, 0, 30, 0});
  s.AdvanceAt(44001);
  s.AdvanceAt(45000);
  s.AdvanceAt(55000);
  s.Script({25, 0, 30, 0});
  s.AdvanceAt(55001);
  EXPECT_NEAR(s.camera.Pitch(), -15, 1e-5);
  EXPECT_DOUBLE_EQ(s.camera.PitchSwing(), -25);
  s.AdvanceAt(56000);
  s.AdvanceAt(66000);
  s.Script({25, 0, 30, 0});
  s.AdvanceAt(66001);
  EXPECT_NEAR(s.camera.Pitch(), -40, 1e-5);
  EXPECT_NEAR(s.camera.PitchSwing(), -5, 1e-5);
}

// ---- The flyby ----

TEST(CameraFlyby, ASmallShipGetsTwentyUnitsAwayBeforeTheEyeJumpsAheadOfIt) {
  ScriptedCamera s;
  s.Script({10, 20000, 30, 0});
  s.camera.Reset(-10, true);  // angles 0: the battle orbit's eye is at (0, 0, 10)
  Ship ship;
  PlaceShip(ship, 0, 0, -9.9f, 0.5f);  // 60 x 0.5 / 5.9 is about 5.08, below the floor of 20
  s.camera.SetMode(Camera::kFlyby, &ship);
  EXPECT_FLOAT_EQ(s.camera.FlybyOffset()[2], -10);
  s.camera.Advance();  // 19.9 away: no jump
  EXPECT_FLOAT_EQ(s.camera.FlybyOffset()[2], -10);

  PlaceShip(ship, 0, 0, -10.1f, 0.5f);  // 20.1 away: the eye moves 1.95 x 20 = 39 towards -z
  s.camera.Advance();
  EXPECT_NEAR(s.camera.FlybyOffset()[0], 0, 1e-5);
  EXPECT_NEAR(s.camera.FlybyOffset()[2], 29, 1e-4);

  // A larger ship's reach grows with its radius: 60 x 2.95 / 5.9 = 30.
  PlaceShip(ship, 0, 0, -29 - 29.5f, 2.95f);
  s.camera.Advance();
  EXPECT_NEAR(s.camera.FlybyOffset()[2], 29, 1e-4);
  PlaceShip(ship, 0, 0, -29 - 30.5f, 2.95f);
  s.camera.Advance();
  EXPECT_NEAR(s.camera.FlybyOffset()[2], 29 + 58.5, 1e-4);
}

TEST(CameraFlyby, TheEyeTurnsTowardsTheShipAndStaysSoundStraightAboveIt) {
  ScriptedCamera s;
  s.Script({10, 20000, 30, 0});
  s.camera.Reset(0, true);  // the flyby eye starts at the origin
  Ship ship;
  PlaceShip(ship, 1, -1, -1, 0.5f);
  s.camera.SetMode(Camera::kFlyby, &ship);
  s.camera.Advance();
  // Down and to the right: pitch acos(sqrt(2) / sqrt(3)), positive looking down; yaw 45.
  EXPECT_NEAR(s.camera.Pitch(), std::acos(std::sqrt(2.0 / 3.0)) / kRadians, 1e-9);
  EXPECT_NEAR(s.camera.Yaw(), 45, 1e-9);
  PlaceShip(ship, -1, 1, 1, 0.5f);
  s.camera.Advance();
  EXPECT_NEAR(s.camera.Pitch(), -std::acos(std::sqrt(2.0 / 3.0)) / kRadians, 1e-9);
  EXPECT_NEAR(s.camera.Yaw(), -135, 1e-9);

  // Level with the eye the cosine rounds a hair past 1 for some directions: still level.
  PlaceShip(ship, 0.25f, 0, -1.5f, 0.5f);
  s.camera.Advance();
  EXPECT_EQ(s.camera.Pitch(), 0);
  EXPECT_NEAR(s.camera.Yaw(), std::atan2(0.25, 1.5) / kRadians, 1e-9);

  // Straight above the eye the heading is undefined: it keeps its last value, never NaN.
  PlaceShip(ship, 0, 5, 0, 0.5f);
  s.camera.Advance();
  EXPECT_NEAR(s.camera.Pitch(), -90, 1e-9);
  EXPECT_NEAR(s.camera.Yaw(), std::atan2(0.25, 1.5) / kRadians, 1e-9);
}

// ---- Switching modes ----

TEST(CameraModes, OrbitToFlybyToOrbitKeepsTheViewAxis) {
  ScriptedCamera s;
  s.Script({10, 20000, 30, 0});
  s.camera.Reset(-40, true);
  Ship ship;
  PlaceShip(ship, 5, 6, 7, 0.5f);
  s.camera.SetMode(Camera::kFlyby, &ship);
  // Into the ship orbit: it looks at the ship, starts level, and swings (+20, +80).
  s.Script({20, 20000, 80, 0});
  s.camera.SetMode(Camera::kShipOrbit, &ship);
  EXPECT_EQ(s.camera.LookAt(), (std::array<float, 3>{5, 6, 7}));
  EXPECT_EQ(s.camera.FlybyOffset(), (std::array<float, 3>{0, 0, 0}));
  EXPECT_DOUBLE_EQ(s.camera.Pitch(), 0);
  s.AdvanceAt(2000);
  s.AdvanceAt(7000);
  ASSERT_NEAR(s.camera.Pitch(), 10, 1e-5);
  ASSERT_NEAR(s.camera.Yaw(), 40, 1e-5);

  // Back to the flyby: the eye is 100 units out from the ship along the orbit's view axis,
  // (-cos p sin y, sin p, cos p cos y) turned back into the world.
  s.camera.SetMode(Camera::kFlyby, &ship);
  const double p = 10 * kRadians, y = 40 * kRadians;
  const std::array<double, 3> axis{-std::cos(p) * std::sin(y), std::sin(p), std::cos(p) * std::cos(y)};
  const std::array<float, 3> offset = s.camera.FlybyOffset();
  const double ex = -offset[0] - 5, ey = -offset[1] - 6, ez = -offset[2] - 7;
  EXPECT_NEAR(std::sqrt(ex * ex + ey * ey + ez * ez), 100, 1e-3);
  EXPECT_NEAR(ex, 100 * axis[0], 1e-3);
  EXPECT_NEAR(ey, 100 * axis[1], 1e-3);
  EXPECT_NEAR(ez, 100 * axis[2], 1e-3);
  // And from there the flyby aims exactly as the orbit did.
  s.camera.Advance();
  EXPECT_NEAR(s.camera.Pitch(), 10, 1e-4);
  EXPECT_NEAR(s.camera.Yaw(), 40, 1e-4);
}

TEST(CameraModes, BattleOrbitToFlybyPutsTheEyeAtTheOrbitDistance) {
  ScriptedCamera s;
  s.Script({20, 20000, 80, 0});
  s.camera.Reset(-40, true);
  s.AdvanceAt(1000);
  s.AdvanceAt(6000);  // pitch 10, yaw 40
  Ship ship;
  PlaceShip(ship, 0, 0, 0, 0.5f);
  s.camera.SetMode(Camera::kFlyby, &ship);
  const double p = 10 * kRadians, y = 40 * kRadians;
  const std::array<float, 3> offset = s.camera.FlybyOffset();
  // The offset is the negated eye, 40 units out along the view axis.
  EXPECT_NEAR(offset[0], -40 * -std::cos(p) * std::sin(y), 1e-4);
  EXPECT_NEAR(offset[1], -40 * std::sin(p), 1e-4);
  EXPECT_NEAR(offset[2], -40 * std::cos(p) * std::cos(y), 1e-4);
  s.camera.Advance();
  EXPECT_NEAR(s.camera.Pitch(), 10, 1e-4);
  EXPECT_NEAR(s.camera.Yaw(), 40, 1e-4);

  // Between the two orbits only the mode changes.
  s.Script({20, 20000, 80, 0});
  s.camera.SetMode(Camera::kShipOrbit, &ship);
  s.AdvanceAt(7000);
  s.AdvanceAt(12000);
  const double pitch = s.camera.Pitch();
  s.camera.SetMode(Camera::kBattleOrbit, &ship);
  EXPECT_NEAR(pitch, 10, 1e-5);
  EXPECT_EQ(s.camera.Pitch(), pitch);
  EXPECT_TRUE(s.draws.empty());
}

TEST(CameraModes, LeavingTheFlybyWithNoShipLooksAtTheOrigin) {
  ScriptedCamera s;
  s.Script({10, 20000, 30, 0});
  s.camera.Reset(-40, true);
  Ship ship;
  PlaceShip(ship, 5, 6, 7, 0.5f);
  s.camera.SetMode(Camera::kShipOrbit, &ship);
  s.camera.SetLookAt(5, 6, 7);
  s.camera.SetMode(Camera::kFlyby, &ship);
  s.camera.SetMode(Camera::kFlyby, nullptr);
  s.camera.Advance();  // nothing to watch: no move
  EXPECT_EQ(s.camera.FlybyOffset(), (std::array<float, 3>{-5, -6, -7 - 100}));
  s.Script({10, 20000, 30, 0});
  s.camera.SetMode(Camera::kBattleOrbit, nullptr);
  EXPECT_EQ(s.camera.LookAt(), (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(s.camera.FlybyOffset(), (std::array<float, 3>{0, 0, 0}));
}

// ---- Where the eye is ----

TEST(CameraEye, EyeOffsetInEveryMode) {
  ScriptedCamera s;
  s.Script({20, 20000, 80, 0});
  s.camera.Reset(-40, false);
  EXPECT_EQ(s.camera.EyeOffset(), (std::array<float, 3>{0, 0, -100}));

  s.Script({20, 20000, 80, 0});
  s.camera.Reset(-40, true);
  s.camera.SetLookAt(1, 2, 3);
  EXPECT_EQ(s.camera.EyeOffset(), (std::array<float, 3>{-1, -1, -3}));

  s.camera.SetMode(Camera::kShipOrbit, nullptr);
  EXPECT_EQ(s.camera.EyeOffset(), (std::array<float, 3>{-1, -2, -103}));
  s.AdvanceAt(1000);
  s.AdvanceAt(6000);  // pitch 10, yaw 40
  const double p = 10 * kRadians, y = 40 * kRadians;
  const std::array<float, 3> e = s.camera.EyeOffset();
  EXPECT_NEAR(e[0], -(1 + 100 * -std::cos(p) * std::sin(y)), 1e-4);
  EXPECT_NEAR(e[1], -(2 + 100 * std::sin(p)), 1e-4);
  EXPECT_NEAR(e[2], -(3 + 100 * std::cos(p) * std::cos(y)), 1e-4);

  s.camera.SetMode(Camera::kFlyby, nullptr);
  EXPECT_EQ(s.camera.EyeOffset(), s.camera.FlybyOffset());
  EXPECT_NEAR(s.camera.EyeOffset()[0], e[0], 1e-5);
}

// ---- The transform ----

TEST(CameraApply, WithoutTheThreeDViewOnlyTheFixedDistanceIsApplied) {
  ScriptedCamera s;
  s.Script({20, 20000, 80, 0});
  s.camera.Reset(-40, false);
  testing::RecordingGl recording;
  s.camera.Apply(true, false, false, true);
  ASSERT_EQ(recording.calls.size(), 1u);
  EXPECT_EQ(recording.calls[0].Text(), "glTranslatef(0, 0, -150)");
  recording.calls.clear();
  s.camera.Apply(false, true, true, true);
  s.AdvanceAt(6000);  // even asked to advance it did not start the swing timer
  EXPECT_TRUE(recording.calls.empty());
  EXPECT_NEAR(s.camera.Pitch(), 0, 1e-9);  // the first reading was this one
  s.camera.ApplyFull(false);
  EXPECT_EQ(recording.Names(), std::vector<std::string>{"glTranslatef"});
}

TEST(CameraApply, EachModeAppliesItsPartsInOrder) {
  ScriptedCamera s;
  s.Script({20, 20000, 80, 0});
  s.camera.Reset(-40, true);
  s.camera.SetLookAt(1, 2, 3);
  testing::RecordingGl recording;
  s.AdvanceAt(1000);
  s.clock.Set(6000);
  s.camera.ApplyFull(true);  // advances first: pitch 10, yaw 40
  ASSERT_EQ(recording.calls.size(), 4u);
  EXPECT_EQ(recording.calls[0].Text(), "glTranslatef(0, 0, -40)");
  EXPECT_EQ(recording.calls[1].name, "glRotated");
  EXPECT_NEAR(std::stod(recording.calls[1].args[0]), 10, 1e-4);
  EXPECT_EQ(recording.calls[1].args[1], "1");
  EXPECT_NEAR(std::stod(recording.calls[2].args[0]), 40, 1e-4);
  EXPECT_EQ(recording.calls[2].args[2], "1");
  EXPECT_EQ(recording.calls[3].Text(), "glTranslatef(-1, -2, -3)");

  recording.calls.clear();
  s.camera.Apply(false, true, false, false);  // the background's: turn only
  EXPECT_EQ(recording.Names(), (std::vector<std::string>{"glRotated", "glRotated"}));

  recording.calls.clear();
  s.camera.SetMode(Camera::kShipOrbit, nullptr);
  s.camera.ApplyFull(false);
  ASSERT_EQ(recording.calls.size(), 4u);
  EXPECT_EQ(recording.calls[0].Text(), "glTranslatef(0, 0, -110)");
  EXPECT_EQ(recording.calls[3].Text(), "glTranslatef(-1, -2, -3)");

  recording.calls.clear();
  s.camera.SetMode(Camera::kFlyby, nullptr);
  const std::array<float, 3> offset = s.camera.FlybyOffset();
  s.camera.ApplyFull(false);  // no distance part
  ASSERT_EQ(recording.calls.size(), 3u);
  EXPECT_EQ(recording.calls[0].name, "glRotated");
  EXPECT_EQ(recording.calls[2].name, "glTranslatef");
  EXPECT_NEAR(std::stod(recording.calls[2].args[2]), offset[2], 1e-3);
}

}  // namespace
}  // namespace ironwood
