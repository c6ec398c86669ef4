#include "saver/battle/ship_ai.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "platform/headless/manual_clock.h"
#include "saver/assets/plugin_file.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/battle/ship_grid.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"

namespace ironwood {
namespace {

// A seed whose draws after `picks` target draws start a random break-off (the break-off draw
// above 994) or, without `breakOff`, neither a break-off nor a return, for this step and the
// next (draws of 994 or less, and of 1998 or less).
std::uint32_t SeedFor(bool breakOff, int picks = 0) {
  for (std::uint32_t seed = 1;; ++seed) {
    RandomGenerator g;
    g.Seed(seed);
    for (int i = 0; i < picks; ++i) g.Next();
    const int first = RandomRange(g, 0, 1000);
    const int second = RandomRange(g, 0, 2000);
    const int third = RandomRange(g, 0, 1000);
    const int fourth = RandomRange(g, 0, 2000);
    if (breakOff ? first > 994 : (first <= 994 && second <= 1998 && third <= 994 && fourth <= 1998)) {
      return seed;
    }
  }
}

// Ships of one class whose shield's largest semi-axis (the ship's radius) is 2, in a battle
// centred at the origin, on a clock standing at 5000 ms.
class ShipAITest : public ::testing::Test {
 protected:
  ShipAITest() : scoped_(clock_) {
    for (const float limit : {30.0f, 10.0f}) {
      classes_.push_back(std::make_unique<ShipClass>());
      EXPECT_TRUE(classes_.back()->Build(testing::FlyingShipPlugin(limit), names_, 0, false));
    }
  }

  Ship& Add(std::vector<std::unique_ptr<Ship>>& side, double x, double y, double z,
            bool narrowTurns = false) {
    side.push_back(std::make_unique<Ship>());
    ShipState at{};
    at[0] = static_cast<float>(x);
    at[1] = static_cast<float>(y);
    at[2] = static_cast<float>(z);
    EXPECT_TRUE(side.back()->Create(*classes_[narrowTurns ? 1 : 0], at, false));
    return *side.back();
  }

  // Rosters for both sides, as the battle manager builds them.
  void Wire() {
    std::vector<Ship*> first, second;
    for (auto& s : ours_) first.push_back(s.get());
    for (auto& s : theirs_) second.push_back(s.get());
    ourRoster_.Set(second, first);
    theirRoster_.Set(first, second);
    for (auto& s : ours_) s->SetRoster(&ourRoster_);
    for (auto& s : theirs_) s->SetRoster(&theirRoster_);
  }

  void Step(Ship& ship, double arena = kArenaRadiusFixedCamera) {
    RunShipAI(ship, Vector3(0, 0, 0), arena, random_);
  }

  static void ExpectGoal(const Ship& ship, double x, double y, double z, double weight) {
    const FlightModel& flight = ship.Flight();
    EXPECT_NEAR(flight.goal.x(), x, 1e-4);
    EXPECT_NEAR(flight.goal.y(), y, 1e-4);
    EXPECT_NEAR(flight.goal.z(), z, 1e-4);
    EXPECT_EQ(flight.goalWeight, weight);
  }

  platform::ManualClock clock_{5000};
  platform::ScopedClock scoped_;
  testing::RecordingGl gl_;
  TextureNamePool names_;
  std::vector<std::unique_ptr<ShipClass>> classes_;
  std::vector<std::unique_ptr<Ship>> ours_, theirs_;
  Roster ourRoster_, theirRoster_;
  RandomGenerator random_;
};

TEST_F(ShipAITest, TargetsAreLivingEnemiesOnlyAndDroppedWhenTheyDie) {
  Ship& ship = Add(ours_, 1, 0, 0);
  for (int i = 0; i < 4; ++i) Add(theirs_, 20 + 10 * i, 0, 0).SetDead(i != 2);
  Wire();
  // Up to four draws: a dead enemy drawn is passed over, and four dead ones leave no target.
  int picked = 0, none = 0;
  for (std::uint32_t seed = 1; seed <= 60; ++seed) {
    ship.AI() = ShipAI{};
    random_.Seed(seed);
    Step(ship);
    if (ship.AI().target == nullptr) {
      ++none;
    } else {
      EXPECT_EQ(ship.AI().target, theirs_[2].get()) << seed;
      ++picked;
    }
  }
  EXPECT_GT(picked, 20);
  EXPECT_GT(none, 5);
  // With every enemy dead four draws find no target and the ship heads for the centre at half
  // speed.
  theirs_[2]->SetDead(true);
  ship.AI() = ShipAI{};
  random_.Seed(SeedFor(false, 4));
  Step(ship);
  EXPECT_EQ(ship.AI().state, ShipAI::kEngage);
  EXPECT_EQ(ship.AI().target, nullptr);
  ExpectGoal(ship, -1, 0, 0, 0.5);
  // A target that dies is chased to the end of the step and then dropped.
  ship.AI().target = theirs_[1].get();
  random_.Seed(SeedFor(false));
  Step(ship);
  EXPECT_EQ(ship.AI().target, nullptr);
  ExpectGoal(ship, 29, 0, 0, 0.5);
}

TEST_F(ShipAITest, ARandomBreakOffNeedsAnAngleLimitAbove12AndSteersFromTheNextFrame) {
  Ship& agile = Add(ours_, 1, 0, 0);
  Ship& narrow = Add(ours_, 1, 0, 30, true);
  Ship& enemy = Add(theirs_, 41, 0, 0);
  Wire();
  for (Ship* ship : {&agile, &narrow}) {
    ship->AI().target = &enemy;
    ship->AI().lastPickTime = 5000;
    ship->Flight().SetGoal(Vector3(0, 1, 0), 0.25);
  }
  random_.Seed(SeedFor(true));
  Step(agile);
  EXPECT_EQ(agile.AI().state, ShipAI::kBreakOff);
  // The frame of the change keeps the goal the ship had; the next frame steers away.
  ExpectGoal(agile, 0, 1, 0, 0.25);
  random_.Seed(SeedFor(false));
  Step(agile);
  ExpectGoal(agile, -40, 0, 0, 1.0);
  EXPECT_EQ(agile.AI().state, ShipAI::kBreakOff);
  // Past 120 units the break-off ends: back at the target at full speed, target dropped.
  std::vector<std::unique_ptr<Ship>> apart;
  Ship& far = Add(apart, -90, 0, 0);
  far.AI().state = ShipAI::kBreakOff;
  far.AI().target = &enemy;
  Step(far);
  EXPECT_EQ(far.AI().state, ShipAI::kEngage);
  EXPECT_EQ(far.AI().target, nullptr);
  ExpectGoal(far, 131, 0, 0, 1.0);
  // A target that has died ends the break-off however near its wreck drifts: fleeing from it
  // would otherwise go on for as long as the wreck keeps pace.
  agile.AI().state = ShipAI::kBreakOff;
  agile.AI().target = &enemy;
  enemy.SetDead(true);
  Step(agile);
  EXPECT_EQ(agile.AI().state, ShipAI::kEngage);
  EXPECT_EQ(agile.AI().target, nullptr);
  enemy.SetDead(false);

  // A class that cannot bank past 10 degrees never breaks off at random.
  random_.Seed(SeedFor(true));
  Step(narrow);
  EXPECT_EQ(narrow.AI().state, ShipAI::kEngage);
  ExpectGoal(narrow, 40, 0, -30, 0.5);
}

// The random break-off and return go by time: the same number a simulated minute whether the
// frames are 4, 16 or 50 ms long (a chance a frame would give four times as many at 4 ms), and
// at 16 ms the draws of one chance a step.
TEST_F(ShipAITest, RandomBreakOffsAndReturnsComeAsOftenAtAnyFrameLength) {
  Ship& ship = Add(ours_, 1, 0, 0);
  Ship& enemy = Add(theirs_, 41, 0, 0);
  Wire();
  struct Counts {
    int breakOffs = 0, returns = 0;
  };
  auto play = [&](std::uint32_t frameMs) {
    ship.AI() = ShipAI{};
    random_.Seed(7);
    Counts counts;
    // 2000 simulated seconds: some 600 break-offs and 60 returns.
    for (std::uint32_t t = 0; t < 2000000; t += frameMs) {
      ship.AI().target = &enemy;
      ship.AI().lastPickTime = clock_.NowMilliseconds();
      Step(ship);
      counts.breakOffs += ship.AI().state == ShipAI::kBreakOff;
      counts.returns += ship.AI().state == ShipAI::kReturn;
      ship.AI().state = ShipAI::kEngage;
      clock_.Advance(frameMs);
    }
    return counts;
  };
  const Counts reference = play(16);
  EXPECT_GT(reference.breakOffs, 500);
  EXPECT_GT(reference.returns, 40);
  for (const std::uint32_t frameMs : {4u, 7u, 33u, 50u}) {
    const Counts counts = play(frameMs);
    EXPECT_NEAR(counts.breakOffs, reference.breakOffs, reference.breakOffs * 0.15) << frameMs;
    EXPECT_NEAR(counts.returns, reference.returns, reference.returns * 0.4) << frameMs;
  }

  // A 16 ms step takes the break-off draw and the return draw, as a frame always did; 4 ms steps
  // take them once 16 ms have gathered.
  ship.AI() = ShipAI{};
  ship.AI().target = &enemy;
  ship.AI().lastPickTime = clock_.NowMilliseconds();
  random_.Seed(SeedFor(false));
  auto drawsOf = [&](std::uint32_t ms) {
    clock_.Advance(ms);
    RandomGenerator before = random_;
    Step(ship);
    for (int draws = 0; draws < 8; ++draws, before.Next()) {
      RandomGenerator a = before, b = random_;
      if (a.Next() == b.Next() && a.Next() == b.Next() && a.Next() == b.Next()) return draws;
    }
    return -1;
  };
  EXPECT_EQ(drawsOf(16), 2);
  for (const int draws : {0, 0, 0, 2}) EXPECT_EQ(drawsOf(4), draws);
  EXPECT_EQ(ship.AI().state, ShipAI::kEngage);
}

TEST_F(ShipAITest, TheArenaTurnsAShipBackPast80AndLetsItGoInside110) {
  Ship& ship = Add(ours_, 85, 0, 0);
  Wire();  // no enemies: the ship chases nothing but the centre
  ship.Flight().SetGoal(Vector3(1, 0, 0), 0.5);
  random_.Seed(SeedFor(false));
  Step(ship);
  EXPECT_EQ(ship.AI().state, ShipAI::kReturn);
  ExpectGoal(ship, -85, 0, 0, 0.5);  // the latest goal, given again
  // Returning: beyond 110 units it follows the goal stored at the turn.
  ours_.clear();
  for (const double x : {115.0, 109.0}) {
    Ship& returning = Add(ours_, x, 0, 0);
    returning.AI().state = ShipAI::kReturn;
    returning.AI().storedGoal = {-85, 0, 0};
    returning.AI().storedWeight = 1.0f;
    Step(returning);
    if (x > 110) {
      EXPECT_EQ(returning.AI().state, ShipAI::kReturn);
      ExpectGoal(returning, -85, 0, 0, 1.0);
    } else {
      EXPECT_EQ(returning.AI().state, ShipAI::kEngage);
      ExpectGoal(returning, -109, 0, 0, 1.0);
    }
  }
  // The 3D camera's arena is 170: 85 units out is well inside it.
  Ship& wide = Add(ours_, 85, 0, 0);
  random_.Seed(SeedFor(false));
  Step(wide, kArenaRadius3DCamera);
  EXPECT_EQ(wide.AI().state, ShipAI::kEngage);
}

TEST_F(ShipAITest, ShipsCloserThan2Point9RadiiSteerApart) {
  // Radius 2: closer than 5.8 is too close. The enemy comes before the friend.
  Ship& ship = Add(ours_, 1, 0, 0);
  Ship& target = Add(theirs_, 51, 0, 0);
  Ship& enemy = Add(theirs_, 1, 0, 5.7);
  Ship& friendShip = Add(ours_, 1, 5.7, 0);
  Wire();
  ship.AI().target = &target;
  ship.AI().lastPickTime = 5000;
  random_.Seed(SeedFor(false));
  Step(ship);
  ExpectGoal(ship, 0, 0, -5.7, 0.5);

  // The enemy just outside the distance is left alone; the friend is still too close.
  enemy.SetStartState({1, 0, 5.9f});
  random_.Seed(SeedFor(false));
  Step(ship);
  ExpectGoal(ship, 0, -5.7, 0, 0.5);

  // With the friend dead (it reads as far away), the ship closes on its target at half speed.
  friendShip.SetDead(true);
  random_.Seed(SeedFor(false));
  Step(ship);
  ExpectGoal(ship, 50, 0, 0, 0.5);
}

// The grid's answers hold every living ship within reach, in list order, and no dead one: with
// ships of every speed, after some have moved, and with a visit that stops early.
TEST_F(ShipAITest, GridAnswersEveryShipWithinReachInListOrder) {
  RandomGenerator g;
  g.Seed(7);
  for (int i = 0; i < 300; ++i) {
    Ship& ship = Add(theirs_, RandomRange(g, -150, 150), RandomRange(g, -150, 150),
                     RandomRange(g, -60, 60));
    ship.Flight().speed = RandomRange(g, 0, 40);
    const ShipState at = ship.State();
    ship.Update(Vector3());  // takes the flight's speed
    ship.SetStartState(at);
    ship.SetDead(i % 7 == 0);
  }
  std::vector<Ship*> list;
  for (auto& ship : theirs_) list.push_back(ship.get());
  ShipGrid grid;
  grid.Build(list, 24);
  ASSERT_TRUE(grid.Exact());
  ASSERT_EQ(grid.Size(), 300);

  // reachOf(speed): how far a ship of that speed counts; negative: at any distance.
  auto expectAnswers = [&](const Vector3& at, auto reachOf, auto ask) {
    std::vector<int> seen;
    ask([&](int i) {
      EXPECT_TRUE(seen.empty() || i > seen.back());
      EXPECT_FALSE(list[static_cast<std::size_t>(i)]->IsDead()) << i;
      seen.push_back(i);
      return false;
    });
    for (int i = 0; i < 300; ++i) {
      const Ship& ship = *list[static_cast<std::size_t>(i)];
      const double reach = reachOf(std::fabs(ship.Speed()));
      const double d = std::sqrt(ship.Position().Subtract(at).LengthSquared());
      if (ship.IsDead() || (reach >= 0 && d > reach)) continue;
      EXPECT_TRUE(std::binary_search(seen.begin(), seen.end(), i)) << i << " at " << d;
    }
    return seen.size();
  };
  auto near = [&](const Vector3& at, double r) {
    return expectAnswers(at, [r](double) { return r; },
                         [&](auto visit) { grid.VisitNear(at, r, visit); });
  };
  auto byReach = [](double speed) { return speed > 16 ? -1.0 : 10 + 3 * speed; };
  std::size_t found = 0;
  for (const Vector3& at : {Vector3(0, 0, 0), Vector3(140, -140, 50), Vector3(400, 0, 0)}) {
    found += near(at, 30);
    expectAnswers(at, byReach, [&](auto visit) { grid.VisitByReach(at, byReach, visit); });
  }
  EXPECT_GT(found, 10u);
  EXPECT_GT(expectAnswers(Vector3(900, 0, 0), byReach,
                          [&](auto visit) { grid.VisitByReach(Vector3(900, 0, 0), byReach, visit); }),
            0u);  // the fastest count from anywhere

  // Lines of flight answer only inside their box and up to their radius; a ship whose limit is
  // NaN is a candidate for every question.
  const double low[3] = {-200, -200, -100}, high[3] = {200, 200, 100};
  grid.BuildLines(low, high, 40, [](float, double, double) { return std::nan(""); });
  EXPECT_TRUE(grid.LinesAnswer(Vector3(0, 0, 0), 40));
  EXPECT_FALSE(grid.LinesAnswer(Vector3(0, 0, 0), 41));
  EXPECT_FALSE(grid.LinesAnswer(Vector3(0, 0, 110), 40));  // the box is widened by 40
  std::size_t alive = 0;
  for (const Ship* ship : list) alive += ship->IsDead() ? 0 : 1;
  std::size_t lined = 0;
  grid.VisitByReach(Vector3(0, 0, 0), byReach, 40, [&](int) { return ++lined, false; });
  EXPECT_EQ(lined, alive);
  grid.BuildLines(low, high, std::numeric_limits<double>::infinity(),
                  [](float, double, double) { return 1.0; });
  EXPECT_FALSE(grid.LinesAnswer(Vector3(0, 0, 0), 40));

  // A visit that answers true ends the walk.
  int visits = 0;
  EXPECT_TRUE(grid.VisitNear(Vector3(0, 0, 0), 500, [&](int) { return ++visits == 3; }));
  EXPECT_EQ(visits, 3);

  // Ships moved after the build are still found where they are now.
  for (int i = 1; i < 300; i += 5) {
    ShipState at = list[static_cast<std::size_t>(i)]->State();
    at[0] += 70;
    at[2] -= 30;
    list[static_cast<std::size_t>(i)]->SetStartState(at);
    grid.Moved(i);
  }
  for (int i = 1; i < 300; i += 5) near(list[static_cast<std::size_t>(i)]->Position(), 5);
  EXPECT_TRUE(grid.Valid());
  EXPECT_FALSE(grid.Exact());  // its records are no longer the ships' own

  // A place past all sense leaves the grid to the callers' own walk.
  ShipState lost = list[1]->State();
  lost[0] = std::numeric_limits<float>::infinity();
  list[1]->SetStartState(lost);
  grid.Build(list, 24);
  EXPECT_FALSE(grid.Valid());
}

}  // namespace
}  // namespace ironwood
