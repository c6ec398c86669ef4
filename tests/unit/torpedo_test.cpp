#include "saver/battle/torpedo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/manual_clock.h"
#include "saver/battle/hull_vertex.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/core/random.h"
#include "tests/support/armed_ship.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"
#include "tests/support/recording_sound.h"

namespace ironwood {
namespace {

// Torpedoes of a pool of their own with detonation sounds (buffers 1 to 20), flying at targets
// of the armed test class (shield 2, 1, 1 of strength 80; hull meshes 0, the centre box, and 1,
// the tail box around model z = -1.5); the eye at the fixed view's (0, 0, 100); damage 7.
class TorpedoTest : public ::testing::Test {
 protected:
  TorpedoTest() : scoped_(clock_) {
    SaverRandom().Seed(5);
    detonation_.data.assign(32, 0x40);
    pool_.SetSound(&sound_, &detonation_);
    sparks_.InitSparks();
    explosions_.SpawnExplosion(nullptr, {}, {}, {}, 0);  // an empty pool grows on its first
    effects_.explosions = &explosions_;
    effects_.sparks = &sparks_;
    effects_.triBillboard = &tri_;
    effects_.soundEffects = true;
    EXPECT_TRUE(targets_.Build(testing::ArmedShipPlugin({}, {}), names_, 0, false));
  }

  Ship& Target(std::array<float, 3> at, double heading = 0, const ShipClass* shipClass = nullptr) {
    ships_.push_back(std::make_unique<Ship>());
    Ship& ship = *ships_.back();
    EXPECT_TRUE(ship.Create(shipClass != nullptr ? *shipClass : targets_,
                            {at[0], at[1], at[2], 0, 0, 0, 0, 0, 0}, false));
    testing::Pose(ship, heading, 0, 0);
    return ship;
  }

  bool Fire(std::array<float, 3> from, Vector3 direction, Ship* target) {
    return pool_.Launch({from[0], from[1], from[2], 0, 0, 0, 0, 0, 0}, direction, 38, target,
                        &roster_, &tri_, 7);
  }

  // Frames of `ms` until the first torpedo is spent or `limit` frames have passed.
  void FlyFirst(std::uint32_t ms, int limit) {
    for (int i = 0; i < limit && pool_.At(0).active; ++i) {
      clock_.Advance(ms);
      pool_.Update(effects_);
    }
  }

  platform::ManualClock clock_{5000};
  platform::ScopedClock scoped_;
  testing::RecordingGl gl_;
  testing::RecordingSound sound_;
  WaveSound detonation_;
  TextureNamePool names_;
  ShipClass targets_;
  std::vector<std::unique_ptr<Ship>> ships_;
  Roster roster_;
  Mesh tri_;
  ExplosionSystem explosions_;
  SparkSystem sparks_;
  BattleEffects effects_;
  TorpedoPool pool_;
};

TEST_F(TorpedoTest, LaunchTakesTheFirstIdleTorpedoAndAFullPoolGrowsAndDropsIt) {
  Ship& target = Target({0, 0, 100});
  ASSERT_TRUE(Fire({1, 2, 3}, Vector3(0, -3, 3), &target));
  const Torpedo& first = pool_.At(0);
  EXPECT_TRUE(first.active);
  EXPECT_EQ(first.state[0], 1.0f);
  EXPECT_EQ(first.state[2], 3.0f);
  EXPECT_NEAR(first.direction.y(), -std::sqrt(0.5), 1e-12);  // normalised
  EXPECT_NEAR(first.direction.z(), std::sqrt(0.5), 1e-12);
  EXPECT_FLOAT_EQ(first.pitch, 45.0f);  // falling: positive pitch
  EXPECT_FLOAT_EQ(first.yaw, 0.0f);
  EXPECT_EQ(first.launchTime, 5000u);
  EXPECT_EQ(first.lastMoveTime, 5000u);
  EXPECT_EQ(first.damage, 7.0f);
  EXPECT_EQ(first.speed, 38.0f);
  EXPECT_EQ(first.target, &target);
  EXPECT_EQ(first.roster, &roster_);
  EXPECT_EQ(first.model, &tri_);

  for (int i = 1; i < 20; ++i) ASSERT_TRUE(Fire({0, 0, 0}, Vector3(1, 0, 0), &target));
  EXPECT_EQ(sound_.BuffersMade(), 20);
  // The 21st grows the pool to 30, each new torpedo with a detonation sound of its own, and is
  // dropped; the 22nd flies in the first new slot. The flying ones are kept in order.
  EXPECT_FALSE(Fire({9, 9, 9}, Vector3(1, 0, 0), &target));
  EXPECT_EQ(pool_.Size(), 30);
  EXPECT_EQ(pool_.ActiveCount(), 20);
  EXPECT_EQ(pool_.At(0).state[0], 1.0f);
  EXPECT_EQ(sound_.BuffersMade(), 30);
  for (int i = 0; i < 30; ++i) EXPECT_NE(pool_.At(i).explosionSound, nullptr) << i;
  EXPECT_TRUE(Fire({8, 8, 8}, Vector3(1, 0, 0), &target));
  EXPECT_EQ(pool_.ActiveCount(), 21);
  EXPECT_TRUE(pool_.At(20).active);
  EXPECT_EQ(pool_.At(20).state[0], 8.0f);
}

TEST_F(TorpedoTest, TorpedoFliesStraightForFiveSecondsAndNeverReaches200Units) {
  Ship& target = Target({0, 0, 200});
  ASSERT_TRUE(Fire({0, 0, 0}, Vector3(0, 0, 5), &target));
  for (int i = 0; i < 50; ++i) {
    clock_.Advance(100);
    pool_.Update(effects_);
  }
  ASSERT_TRUE(pool_.At(0).active);  // exactly 5000 ms: still flying
  EXPECT_NEAR(pool_.At(0).state[2], 190.0, 1e-3);
  EXPECT_EQ(pool_.At(0).state[0], 0.0f);
  clock_.Advance(1);
  pool_.Update(effects_);
  EXPECT_FALSE(pool_.At(0).active);
  EXPECT_NEAR(pool_.At(0).state[2], 190.0, 1e-3);  // spent without a last step
  EXPECT_EQ(target.Shield().strength, 80.0f);
  EXPECT_EQ(explosions_.ActiveCount(), 0);
}

TEST_F(TorpedoTest, TorpedoMeetsItsTargetsTurnedShieldAndPassesOthersBy) {
  // Heading 90: the shield's thin model Z axis lies along world X, so from the west the bubble
  // is met 1 unit from the centre, not 2. A ship in the way is not the target and is flown
  // through.
  Ship& bystander = Target({5, 0, 0});
  Ship& target = Target({10, 0, 0}, 90);
  ASSERT_TRUE(Fire({0, 0, 0}, Vector3(1, 0, 0), &target));
  FlyFirst(10, 1000);
  ASSERT_FALSE(pool_.At(0).active);
  EXPECT_EQ(bystander.Shield().strength, 80.0f);
  EXPECT_GT(pool_.At(0).state[0], 9.0f);
  EXPECT_LT(pool_.At(0).state[0], 9.4f);

  EXPECT_FLOAT_EQ(target.Shield().strength, 73.0f);
  EXPECT_EQ(target.Shield().colours[4 * 5 + 3], 1.0f);  // model -Z tip (0, 0, -1) glows
  EXPECT_EQ(target.TotalDamage(), 0.0f);
  EXPECT_EQ(sparks_.ActiveCount(), 0);
  ASSERT_EQ(explosions_.ActiveCount(), 1);
  const Explosion& flash = explosions_.pool()[0];
  EXPECT_LE(std::abs(flash.billboard.placement[0] - 9.0f), 0.125f);  // at P + w = (9, 0, 0)
  EXPECT_LE(std::abs(flash.billboard.placement[1]), 0.125f);
  EXPECT_LE(std::abs(flash.billboard.placement[2]), 0.125f);
  EXPECT_EQ(flash.billboard.mesh, &tri_);
  EXPECT_EQ(flash.billboard.scale, (std::array<float, 3>{2, 2, 2}));
  EXPECT_EQ(flash.startFrame, 0u);
}

TEST_F(TorpedoTest, TorpedoThroughAFallenShieldHitsTheNearestHullSectionTwice) {
  Ship& target = Target({10, 0, 0}, 90);
  target.Shield().strength = 0;
  ASSERT_TRUE(Fire({0, 0, 0}, Vector3(1, 0, 0), &target));
  FlyFirst(10, 1000);
  ASSERT_FALSE(pool_.At(0).active);

  // The tail (mesh 1) faces the torpedo; the damage goes to the total and to that section.
  EXPECT_EQ(target.TotalDamage(), 7.0f);
  EXPECT_EQ(target.PerMeshDamage(1), 7.0f);
  EXPECT_EQ(target.PerMeshDamage(0), 0.0f);
  for (std::size_t v = 0; v < target.Shield().colours.size() / 4; ++v) {
    EXPECT_EQ(target.Shield().colours[4 * v + 3], 0.0f);
  }

  // 15 sparks fly out of the struck vertex, each along its own jitter.
  ASSERT_EQ(sparks_.ActiveCount(), 15);
  const HullVertexHit struck = NearestHullVertex(
      target, Vector3(pool_.At(0).state[0], pool_.At(0).state[1], pool_.At(0).state[2]));
  ASSERT_TRUE(struck.found);
  EXPECT_NEAR(struck.point.x(), 8.25, 1e-6);
  int distinct = 0;
  for (const Spark& spark : sparks_.pool()) {
    if (!spark.active) continue;
    Vector3 jitter(spark.placement[0] - struck.point.x(), spark.placement[1] - struck.point.y(),
                   spark.placement[2] - struck.point.z());
    EXPECT_LE(std::abs(jitter.x()), 0.125 + 1e-6);
    EXPECT_LE(std::abs(jitter.y()), 0.125 + 1e-6);
    EXPECT_LE(std::abs(jitter.z()), 0.125 + 1e-6);
    const double length = jitter.Length();
    if (length < 1e-3) continue;  // a jitter of nothing has no direction to compare
    EXPECT_NEAR(spark.direction.x(), jitter.x() / length, 1e-4);
    EXPECT_NEAR(spark.direction.z(), jitter.z() / length, 1e-4);
    distinct += spark.placement != sparks_.pool()[0].placement;
  }
  EXPECT_GT(distinct, 10);
  ASSERT_EQ(explosions_.ActiveCount(), 1);
  EXPECT_LE(std::abs(explosions_.pool()[0].billboard.placement[0] - 8.25f), 0.125f);
}

TEST_F(TorpedoTest, TorpedoMustComeWithinAUnitOfAHullVertex) {
  // Inside the fallen shield's radius (1.9 from the centre) but never nearer than 1.48 to a
  // corner of the hull: it flies on.
  Ship& target = Target({10, 0, 0});
  target.Shield().strength = 0;
  ASSERT_TRUE(Fire({0, 1.9f, 0}, Vector3(1, 0, 0), &target));
  FlyFirst(10, 60);
  EXPECT_TRUE(pool_.At(0).active);
  EXPECT_GT(pool_.At(0).state[0], 20.0f);
  EXPECT_EQ(target.TotalDamage(), 0.0f);
}

TEST_F(TorpedoTest, HullWithoutVerticesIsFlownThrough) {
  PluginFile bare = testing::ArmedShipPlugin({}, {});
  bare.meshes.clear();
  ShipClass hullless;
  ASSERT_TRUE(hullless.Build(bare, names_, 0, false));
  // At the origin, where a search that found nothing must not pretend to have found a vertex.
  Ship& target = Target({0, 0, 0}, 0, &hullless);
  target.Shield().strength = 0;
  ASSERT_TRUE(Fire({-10, 0, 0}, Vector3(1, 0, 0), &target));
  FlyFirst(10, 60);  // 22.8 units: well past the centre
  EXPECT_TRUE(pool_.At(0).active);
  EXPECT_GT(pool_.At(0).state[0], 10.0f);
  EXPECT_EQ(target.TotalDamage(), 0.0f);
  EXPECT_EQ(explosions_.ActiveCount(), 0);
  EXPECT_TRUE(sound_.calls.empty());
}

TEST_F(TorpedoTest, DetonationIsHeardUpTo333UnitsFromTheEye) {
  // Fired from inside the target's tail: the first update strikes where the torpedo stands.
  Ship& near = Target({0, 0, -198.5f});
  near.Shield().strength = 0;
  ASSERT_TRUE(Fire({0, 0, -200}, Vector3(0, 0, 1), &near));  // 300 units from the eye
  pool_.Update(effects_);
  ASSERT_FALSE(pool_.At(0).active);
  EXPECT_EQ(sound_.CallsOf(1), (std::vector<std::string>{"SetVolume(-7200)", "Play(once)"}));

  Ship& far = Target({0, 0, -298.5f});
  far.Shield().strength = 0;
  ASSERT_TRUE(Fire({0, 0, -300}, Vector3(0, 0, 1), &far));  // 400 units: silent
  pool_.Update(effects_);
  ASSERT_FALSE(pool_.At(0).active);
  EXPECT_EQ(far.TotalDamage(), 7.0f);
  EXPECT_EQ(sound_.calls.size(), 2u);

  // Sound effects off: struck, but nothing is touched.
  effects_.soundEffects = false;
  near.Shield().strength = 0;
  ASSERT_TRUE(Fire({0, 0, -200}, Vector3(0, 0, 1), &near));
  pool_.Update(effects_);
  ASSERT_FALSE(pool_.At(0).active);
  EXPECT_EQ(near.TotalDamage(), 14.0f);
  EXPECT_EQ(sound_.calls.size(), 2u);

  // A pool never given a sound (sound effects off) makes torpedoes without buffers, also when
  // it grows.
  TorpedoPool silent;
  for (int i = 0; i < 22; ++i) {
    silent.Launch({}, Vector3(1, 0, 0), 38, &near, &roster_, nullptr, 1);
  }
  ASSERT_EQ(silent.Size(), 30);
  for (int i = 0; i < silent.Size(); ++i) EXPECT_EQ(silent.At(i).explosionSound, nullptr);
  EXPECT_EQ(sound_.BuffersMade(), 20);
}

TEST_F(TorpedoTest, DrawPlacesEveryFlyingTorpedoWithOneArraySetupAndOneBind) {
  ShipClass armed;
  ASSERT_TRUE(armed.Build(testing::ArmedShipPlugin({}, {testing::Mount({0, 0, 0}, {0, 0, 1}, 1)}),
                          names_, 0, false));
  Ship& target = Target({0, 0, 100});
  ASSERT_TRUE(Fire({4, 5, 6}, Vector3(0, 0, 1), &target));
  ASSERT_TRUE(Fire({4, 5, 6}, Vector3(0, 0, 1), &target));
  clock_.Advance(3000);
  ASSERT_TRUE(Fire({7, 8, 9}, Vector3(0, 1, 1), &target));
  clock_.Advance(2500);
  pool_.Update(effects_);  // the first two are spent, the third has flown 95 units
  ASSERT_TRUE(Fire({1, 2, 3}, Vector3(1, 0, 0), &target));
  ASSERT_EQ(pool_.ActiveCount(), 2);
  ASSERT_FALSE(pool_.At(1).active);

  TextureNamePool multi(true);
  gl_.calls.clear();
  pool_.Draw(armed.torpedoModel(), armed.torpedoTexture(), {true, false}, multi);
  EXPECT_EQ(gl_.Count("glVertexPointer"), 1);
  ASSERT_EQ(gl_.Count("glActiveTextureARB"), 1);
  EXPECT_EQ(gl_.Named("glActiveTextureARB")[0].args[0], std::to_string(GL_TEXTURE0_ARB));
  EXPECT_EQ(gl_.Count("glBindTexture"), 1);
  EXPECT_EQ(gl_.Count("glPushMatrix"), 2);
  EXPECT_EQ(gl_.Count("glPopMatrix"), 2);
  EXPECT_EQ(gl_.Count("glDrawElements"), 2);
  // Per torpedo one matrix: placed, yawed about Y, then pitched (rising at 45 degrees).
  const auto placed = gl_.Named("glMultMatrixf");
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(placed[0]),
                                       testing::TurnedByCalls({1, 2, 3}, 90, 0, 0)),
            1e-5);
  const double climbed = 95 / std::sqrt(2.0);
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(placed[1]),
                                       testing::TurnedByCalls({7, 8 + climbed, 9 + climbed}, 0,
                                                              -45, 0)),
            1e-3);
  // Per torpedo: push, place, draw, pop, after the one-time setup.
  std::vector<std::string> names = gl_.Names();
  const auto firstPush = std::find(names.begin(), names.end(), "glPushMatrix");
  ASSERT_NE(firstPush, names.end());
  EXPECT_EQ(std::vector<std::string>(firstPush, firstPush + 4),
            (std::vector<std::string>{"glPushMatrix", "glMultMatrixf", "glDrawElements",
                                      "glPopMatrix"}));

  gl_.calls.clear();
  pool_.Draw(nullptr, armed.torpedoTexture(), {true, false}, multi);
  EXPECT_TRUE(gl_.calls.empty());
}

}  // namespace
}  // namespace ironwood
