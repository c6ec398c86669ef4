#include "saver/battle/fire_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/headless/manual_clock.h"
#include "saver/battle/hull_vertex.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/battle/ship_grid.h"
#include "saver/core/random.h"
#include "tests/support/armed_ship.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"
#include "tests/support/recording_sound.h"

namespace ironwood {
namespace {

using testing::Mount;

constexpr float kRightAngle = static_cast<float>(3.14159265358979323846 / 2);

TEST(PhaserRange, TenTimesTheRadiusButNeverBelow18) {
  EXPECT_FLOAT_EQ(PhaserRange(1.5f), 18.0f);
  EXPECT_FLOAT_EQ(PhaserRange(2.5f), 25.0f);
  EXPECT_FLOAT_EQ(PhaserRange(0.0f), 18.0f);
}

// A battle on a clock standing at 5000 ms, the eye at the fixed view's (0, 0, 100), sound
// effects on. The shooter's class has the mounts each test gives; its opponents are of the
// same armed class without weapons (shield 2, 1, 1 of strength 80, hull meshes 0 and 1).
class FireControlTest : public ::testing::Test {
 protected:
  FireControlTest() : scoped_(clock_) {
    SaverRandom().Seed(11);
    sparks_.InitSparks();
    // An empty explosion pool grows on its first spawn; that one is not shown.
    explosions_.SpawnExplosion(nullptr, {}, {}, {}, 0);
    effects_.explosions = &explosions_;
    effects_.sparks = &sparks_;
    effects_.triBillboard = &tri_;
    effects_.soundEffects = true;
    EXPECT_TRUE(plain_.Build(testing::ArmedShipPlugin({}, {}), names_, 0, true));
  }

  void Arm(const std::vector<PluginMount>& phasers, const std::vector<PluginMount>& torpedoes) {
    ASSERT_TRUE(armed_.Build(testing::ArmedShipPlugin(phasers, torpedoes), names_, 0, true));
  }

  Ship& Add(const ShipClass& shipClass, std::array<float, 3> at, double heading = 0,
            float speed = 0) {
    ships_.push_back(std::make_unique<Ship>());
    Ship& ship = *ships_.back();
    EXPECT_TRUE(ship.Create(shipClass, {at[0], at[1], at[2], 0, 0, 0, 0, 0, 0}, true, &sound_));
    testing::Pose(ship, heading, 0, speed);
    return ship;
  }

  static void Place(Ship& ship, std::array<float, 3> at) {
    ship.SetStartState({at[0], at[1], at[2], 0, 0, 0, 0, 0, 0});
  }

  void Enemies(std::vector<Ship*> enemies) { roster_.Set(std::move(enemies), {}); }

  // The weapon step as the ship pass runs it, after `ms` of clock: phasers, torpedoes, and for
  // a ship still in one piece every phaser brought up to now (the beams' drain is left out).
  void Frame(Ship& ship, std::uint32_t ms) {
    clock_.Advance(ms);
    PhaserFireControl(ship, roster_, effects_);
    TorpedoFireControl(ship, roster_, effects_);
    if (!ship.IsDead() && ship.HullPresent()) RefreshPhaserTimes(ship, clock_.NowMilliseconds());
  }

  platform::ManualClock clock_{5000};
  platform::ScopedClock scoped_;
  testing::RecordingGl gl_;
  testing::RecordingSound sound_;
  TextureNamePool names_;
  ShipClass armed_, plain_;
  std::vector<std::unique_ptr<Ship>> ships_;
  Roster roster_;
  Mesh tri_;
  ExplosionSystem explosions_;
  SparkSystem sparks_;
  BattleEffects effects_;
};

TEST_F(FireControlTest, NearestHullVertexSearchesEveryMeshInTheTargetsOwnSpace) {
  Ship& target = Add(plain_, {10, 0, 0}, 90);
  // Heading 90 turns the model's -Z onto world -X: a point straight west of the target is
  // behind its tail, nearest to the tail box (mesh 1) at model z = -1.75.
  const HullVertexHit tail = NearestHullVertex(target, Vector3(0, 0, 0));
  ASSERT_TRUE(tail.found);
  EXPECT_EQ(tail.mesh, 1);
  EXPECT_NEAR(tail.point.x(), 8.25, 1e-6);
  EXPECT_NEAR(std::abs(tail.point.y()), 0.25, 1e-6);
  EXPECT_NEAR(std::abs(tail.point.z()), 0.25, 1e-6);

  // From the centre the eight corners of the middle box tie; the first in mesh order stays:
  // model (1, -0.5, -0.5), which heading 90 puts at world (-0.5, -0.5, -1) from the centre.
  const HullVertexHit centre = NearestHullVertex(target, Vector3(10, 0, 0));
  ASSERT_TRUE(centre.found);
  EXPECT_EQ(centre.mesh, 0);
  EXPECT_NEAR(centre.point.x(), 9.5, 1e-6);
  EXPECT_NEAR(centre.point.y(), -0.5, 1e-6);
  EXPECT_NEAR(centre.point.z(), -1.0, 1e-6);

  PluginFile bare = testing::ArmedShipPlugin({}, {});
  bare.meshes.clear();
  ShipClass hullless;
  ASSERT_TRUE(hullless.Build(bare, names_, 0, true));
  EXPECT_FALSE(NearestHullVertex(Add(hullless, {0, 0, 0}), Vector3(1, 0, 0)).found);
}

TEST_F(FireControlTest, PhaserTakesTheFirstOpponentStrictlyInsideRangeAndArc) {
  Arm({Mount({0, 0, 0}, {0, 0, 1}, kRightAngle), Mount({0.5f, 0, 0}, {0, 0, 2}, 0.5f)}, {});
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& enemy = Add(plain_, {0, 0, 20});
  Enemies({&enemy});
  auto& phasers = shooter.Phasers();

  // Radius 2: the range is 20, and a target exactly at it is out of reach.
  Frame(shooter, 16);
  EXPECT_FALSE(phasers[0].firing);
  EXPECT_FALSE(phasers[1].firing);
  Place(enemy, {0, 0, 19.99f});
  Frame(shooter, 16);
  EXPECT_TRUE(phasers[0].firing);
  EXPECT_EQ(phasers[0].target, &enemy);
  EXPECT_TRUE(phasers[1].firing);

  // Exactly on the first phaser's arc (a right angle) is outside it.
  Place(enemy, {10, 0, 0});
  Frame(shooter, 16);
  EXPECT_FALSE(phasers[0].firing);
  Place(enemy, {10, 0, 0.01f});
  Frame(shooter, 16);
  EXPECT_TRUE(phasers[0].firing);
  EXPECT_FALSE(phasers[1].firing);  // far outside its half-radian arc

  // Dead, hull-less and distant opponents are passed over; both phasers take the first one
  // left in roster order though a later one is nearer.
  Ship& dead = Add(plain_, {0, 0, 5});
  dead.SetDead(true);
  Ship& wreck = Add(plain_, {0, 0, 6});
  wreck.SetHullPresent(false);
  Ship& far = Add(plain_, {0, 0, 25});
  Ship& first = Add(plain_, {0, 0, 12});
  Ship& nearer = Add(plain_, {0, 0, 8});
  Enemies({&dead, &wreck, &far, &first, &nearer});
  Frame(shooter, 16);
  EXPECT_EQ(phasers[0].target, &first);
  EXPECT_EQ(phasers[1].target, &first);
  EXPECT_TRUE(phasers[0].firing && phasers[1].firing);

  // The mounts turn with the ship: heading 90 puts mount (0.5, 0, 0) at (0, 0, -0.5) and aims
  // both phasers along +X.
  Ship& turned = Add(armed_, {0, 0, 0}, 90);
  Ship& east = Add(plain_, {10, 0, 1});
  Enemies({&east});
  Frame(turned, 16);
  EXPECT_NEAR(turned.Phasers()[1].mountWorldOffset[0], 0.0, 1e-6);
  EXPECT_NEAR(turned.Phasers()[1].mountWorldOffset[2], -0.5, 1e-6);
  EXPECT_TRUE(turned.Phasers()[0].firing);
  EXPECT_TRUE(turned.Phasers()[1].firing);
}

TEST_F(FireControlTest, HeldShieldTakesTheBeamGlowsWhereHitAndWeakens) {
  Arm({Mount({0, 0, 0}, {1, 0, 0}, 1)}, {});
  Ship& shooter = Add(armed_, {0, 0, 0});
  // Heading 90: the beam from the west meets the shield at its model -Z tip (0, 0, -1), a
  // point with two zero coordinates, which still counts as a held shield.
  Ship& target = Add(plain_, {10, 0, 0}, 90);
  Enemies({&target});

  Frame(shooter, 200);  // 200 ms at 5 per 100 ms
  const WeaponState& phaser = shooter.Phasers()[0];
  ASSERT_TRUE(phaser.firing);
  EXPECT_FLOAT_EQ(target.Shield().strength, 70.0f);
  EXPECT_FLOAT_EQ(phaser.beamLength, 9.0f);  // to world (9, 0, 0); unturned it would be 8
  EXPECT_FLOAT_EQ(phaser.beamYaw, 90.0f);
  EXPECT_FLOAT_EQ(phaser.beamPitch, 0.0f);
  EXPECT_EQ(phaser.beamOpacity, 1.0f);
  EXPECT_EQ(phaser.target, &target);
  // The bubble lights up at the -Z tip (vertex 5) only.
  const std::vector<float>& colours = target.Shield().colours;
  EXPECT_EQ(colours[4 * 5 + 3], 1.0f);
  for (int v = 0; v < 5; ++v) EXPECT_EQ(colours[4 * v + 3], 0.0f) << v;
  EXPECT_EQ(target.TotalDamage(), 0.0f);
  EXPECT_EQ(sparks_.ActiveCount(), 0);

  // A frame whose last update is now deals nothing, though the beam shows.
  Frame(shooter, 0);
  EXPECT_TRUE(shooter.Phasers()[0].firing);
  EXPECT_FLOAT_EQ(target.Shield().strength, 70.0f);
}

TEST_F(FireControlTest, BeamThroughAFallenShieldDamagesTheNearestHullSection) {
  Arm({Mount({0, 0, 0}, {1, 0, 0}, 1)}, {});
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& target = Add(plain_, {10, 0, 0}, 90);
  target.Shield().strength = 0;
  Enemies({&target});

  Frame(shooter, 100);
  const WeaponState& phaser = shooter.Phasers()[0];
  ASSERT_TRUE(phaser.firing);
  EXPECT_FLOAT_EQ(target.TotalDamage(), 5.0f);
  EXPECT_FLOAT_EQ(target.PerMeshDamage(1), 5.0f);  // the tail faces the shooter
  EXPECT_EQ(target.PerMeshDamage(0), 0.0f);
  EXPECT_NEAR(phaser.beamLength, std::sqrt(8.25 * 8.25 + 0.125), 1e-5);
  EXPECT_EQ(target.Shield().strength, 0.0f);
  for (std::size_t v = 0; v < target.Shield().colours.size() / 4; ++v) {
    EXPECT_EQ(target.Shield().colours[4 * v + 3], 0.0f);
  }

  // Three frames in ten throw a flash and a spark at the hit, jittered by 1/16 at most.
  for (int i = 0; i < 300; ++i) Frame(shooter, 16);
  EXPECT_NEAR(target.TotalDamage(), 5.0 + 300 * 0.8, 1e-3);
  EXPECT_NEAR(target.PerMeshDamage(1), 5.0 + 300 * 0.8, 1e-3);
  EXPECT_GT(sparks_.ActiveCount(), 60);
  EXPECT_LT(sparks_.ActiveCount(), 120);
  auto nearHit = [](const EffectPlacement& p) {
    const double reach = 0.0625 + 1e-5;
    return std::abs(p[0] - 8.25) <= reach && std::abs(std::abs(p[1]) - 0.25) <= reach &&
           std::abs(std::abs(p[2]) - 0.25) <= reach;
  };
  for (const Spark& spark : sparks_.pool()) {
    if (!spark.active) continue;
    EXPECT_TRUE(nearHit(spark.placement));
    EXPECT_GT(spark.direction.x(), 0.99);  // on along the beam
  }
  ASSERT_GT(explosions_.ActiveCount(), 0);
  for (const Explosion& e : explosions_.pool()) {
    if (!e.active) continue;
    EXPECT_TRUE(nearHit(e.billboard.placement));
    EXPECT_EQ(e.billboard.mesh, &tri_);
    EXPECT_EQ(e.billboard.scale, (std::array<float, 3>{2, 2, 2}));
    EXPECT_EQ(e.startFrame, 10u);
  }
}

TEST_F(FireControlTest, FlaresMarkAShieldHitAndEveryMuzzleFacingTheEye) {
  Arm({Mount({0, 0, 0}, {1, 0, 0}, 1)}, {});
  PhaserFlarePool flares;
  effects_.phaserFlares = &flares;
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& target = Add(plain_, {10, 0, 0}, 90);
  Enemies({&target});
  auto expectFlare = [&](int slot, std::array<float, 3> at, Vector3 view) {
    const BillboardInstance& flare = flares.Flare(slot);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(flare.placement[i], at[i], 1e-5) << slot;
    Vector3 direction = flare.direction;
    direction.Normalize();
    view.Normalize();
    EXPECT_NEAR(direction.Dot(view), 1.0, 1e-9) << slot;
  };

  // Shield hit at (9, 0, 0): one flare there and one at the muzzle, both seen from the hit.
  Frame(shooter, 16);
  ASSERT_EQ(flares.LastUsed(), 1);
  expectFlare(0, {9, 0, 0}, Vector3(-9, 0, 100));
  expectFlare(1, {0, 0, 0}, Vector3(-9, 0, 100));

  // Through a fallen shield only the muzzle flares, seen from itself.
  target.Shield().strength = 0;
  Frame(shooter, 16);
  ASSERT_EQ(flares.LastUsed(), 2);
  expectFlare(2, {0, 0, 0}, Vector3(0, 0, 100));
}

TEST_F(FireControlTest, HullWithoutVerticesTakesNoBeamDamage) {
  Arm({Mount({0, 0, 0}, {1, 0, 0}, 1)}, {});
  PluginFile bare = testing::ArmedShipPlugin({}, {});
  bare.meshes.clear();
  ShipClass hullless;
  ASSERT_TRUE(hullless.Build(bare, names_, 0, true));
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& target = Add(hullless, {10, 0, 0});
  target.Shield().strength = 0;
  Enemies({&target});
  for (int i = 0; i < 50; ++i) Frame(shooter, 16);
  EXPECT_EQ(target.TotalDamage(), 0.0f);
  EXPECT_EQ(sparks_.ActiveCount(), 0);
  EXPECT_TRUE(shooter.Phasers()[0].firing);
  EXPECT_FLOAT_EQ(shooter.Phasers()[0].beamLength, 10.0f);
}

TEST_F(FireControlTest, EmptyPhaserCoolsForEightSecondsAndAChargedOneWaits) {
  Arm({Mount({0, 0, 0}, {0, 0, 1}, 1), Mount({0, 0, 0}, {0, 0, 1}, 1)}, {});
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& enemy = Add(plain_, {0, 0, 10});
  Enemies({&enemy});
  auto& phasers = shooter.Phasers();
  phasers[0].charge = 0;
  phasers[1].charge = 0.7f;

  Frame(shooter, 4000);
  EXPECT_FLOAT_EQ(phasers[0].charge, -0.5f);
  EXPECT_FALSE(phasers[0].firing);
  EXPECT_TRUE(phasers[1].firing);
  EXPECT_EQ(phasers[1].charge, 0.7f);  // fire control leaves the drain to the beam drawing
  Frame(shooter, 4000);
  EXPECT_FLOAT_EQ(phasers[0].charge, -1.0f);  // not below -1 yet
  Frame(shooter, 1);
  EXPECT_EQ(phasers[0].charge, 1.0f);
  EXPECT_FALSE(phasers[0].firing);
  Frame(shooter, 16);
  EXPECT_TRUE(phasers[0].firing);

  // Frame by frame of 16 ms the same takes 500 frames; cooling runs without opponents too.
  Enemies({});
  phasers[0].charge = 0;
  for (int i = 0; i < 499; ++i) Frame(shooter, 16);
  EXPECT_LE(phasers[0].charge, 0.0f);
  Frame(shooter, 16);
  Frame(shooter, 16);
  EXPECT_EQ(phasers[0].charge, 1.0f);
  EXPECT_EQ(phasers[1].charge, 0.7f);  // charged, no target: kept
  EXPECT_FALSE(phasers[1].firing);
}

TEST_F(FireControlTest, BeamDrainsAFullChargeInAboutHalfASecond) {
  Arm({Mount({0, 0, 0}, {0, 0, 1}, 1), Mount({0, 0, 0}, {0, 0, 1}, 1)}, {});
  Ship& shooter = Add(armed_, {0, 0, 0});
  WeaponState& phaser = shooter.Phasers()[0];
  phaser.lastUpdate = 1000;
  DrainPhaserCharge(phaser, 1160);  // ten ticks: 0.2 to 0.45
  EXPECT_LE(phaser.charge, 0.8f);
  EXPECT_GE(phaser.charge, 0.55f);
  DrainPhaserCharge(phaser, 5000);
  EXPECT_EQ(phaser.charge, 0.0f);  // never below empty

  phaser.charge = 1;
  int frames = 0;
  for (std::uint32_t now = 2000; phaser.charge > 0 && frames < 1000; now += 16, ++frames) {
    phaser.lastUpdate = now - 16;
    DrainPhaserCharge(phaser, now);
  }
  EXPECT_GE(frames, 23);
  EXPECT_LE(frames, 50);

  RefreshPhaserTimes(shooter, 7777);
  EXPECT_EQ(shooter.Phasers()[0].lastUpdate, 7777u);
  EXPECT_EQ(shooter.Phasers()[1].lastUpdate, 7777u);
}

TEST_F(FireControlTest, ShipBreakingUpNeitherFiresNorCoolsButItsLoopStops) {
  Arm({Mount({0, 0, 0}, {0, 0, 1}, 1), Mount({0, 0, 0}, {0, 0, 1}, 1)},
      {Mount({0, 0, 0}, {0, 0, 1}, 1)});
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& enemy = Add(plain_, {0, 0, 10});
  Enemies({&enemy});
  Frame(shooter, 16);
  ASSERT_TRUE(shooter.phaserSoundPlaying);
  shooter.Phasers()[1].charge = -0.25f;
  shooter.TorpedoLaunchers()[0].charge = -0.25f;
  const std::uint32_t launcherTime = shooter.TorpedoLaunchers()[0].lastUpdate;
  const float strength = enemy.Shield().strength;
  sound_.Clear();

  shooter.SetHullPresent(false);
  Frame(shooter, 1000);
  EXPECT_EQ(enemy.Shield().strength, strength);
  EXPECT_EQ(shooter.Phasers()[1].charge, -0.25f);
  EXPECT_EQ(shooter.TorpedoLaunchers()[0].charge, -0.25f);
  EXPECT_EQ(shooter.TorpedoLaunchers()[0].lastUpdate, launcherTime);
  EXPECT_FALSE(shooter.phaserSoundPlaying);
  EXPECT_EQ(sound_.CallsOf(2), std::vector<std::string>{"Stop"});
}

TEST_F(FireControlTest, PhaserLoopStartsOnceStaysUntouchedAndStopsWithTheLastBeam) {
  Arm({Mount({0, 0, 0}, {0, 0, 1}, 1), Mount({0, 0, 0}, {0, 0, 1}, 1)}, {});
  Ship& shooter = Add(armed_, {0, 0, 0});  // buffers 1, 2, 3: its loop is 2
  Ship& enemy = Add(plain_, {0, 0, 10});
  Enemies({&enemy});

  Frame(shooter, 16);  // 100 units from the eye
  EXPECT_EQ(sound_.CallsOf(2), (std::vector<std::string>{"SetVolume(-2400)", "Play(looping)"}));
  Place(shooter, {0, 0, 5});
  Frame(shooter, 16);  // nearer, but a playing loop keeps its volume
  EXPECT_EQ(sound_.CallsOf(2).size(), 2u);
  enemy.SetDead(true);
  Frame(shooter, 16);
  EXPECT_EQ(sound_.CallsOf(2).back(), "Stop");
  EXPECT_FALSE(shooter.phaserSoundPlaying);

  // Too far from the eye: silent, and tried again each frame until it can be heard.
  sound_.Clear();
  enemy.SetDead(false);
  Place(shooter, {0, 0, 450});  // 350 units away
  Place(enemy, {0, 0, 460});
  Frame(shooter, 16);
  Frame(shooter, 16);
  EXPECT_TRUE(sound_.CallsOf(2).empty());
  EXPECT_FALSE(shooter.phaserSoundPlaying);
  Place(shooter, {0, 0, 400});  // 300 units away
  Place(enemy, {0, 0, 410});
  Frame(shooter, 16);
  EXPECT_EQ(sound_.CallsOf(2), (std::vector<std::string>{"SetVolume(-7200)", "Play(looping)"}));
  EXPECT_TRUE(sound_.CallsOf(1).empty());

  // Sound effects off: nothing is touched, not even a stop.
  sound_.Clear();
  effects_.soundEffects = false;
  Frame(shooter, 16);
  enemy.SetDead(true);
  Frame(shooter, 16);
  EXPECT_TRUE(sound_.calls.empty());
}

TEST_F(FireControlTest, LauncherAimsAtTheLeadPointWithinReachAndWidenedArc) {
  Arm({}, {Mount({0, 0, 1}, {0, 0, 1}, 0.5f)});
  Ship& shooter = Add(armed_, {0, 0, 0});
  TorpedoPool& pool = armed_.torpedoes();

  // Heading 90 at 19 units a second from 19 units away: the lead point is (9.5, 0, 19), 27.8
  // degrees off the aim, inside the 0.5 radian arc widened by a degree for radius 2.
  Ship& crossing = Add(plain_, {0, 0, 19}, 90, 19);
  Enemies({&crossing});
  Frame(shooter, 16);
  ASSERT_EQ(pool.ActiveCount(), 1);
  const Torpedo& torpedo = pool.At(0);
  const double length = std::sqrt(9.5 * 9.5 + 18 * 18);
  EXPECT_NEAR(torpedo.direction.x(), 9.5 / length, 1e-6);
  EXPECT_NEAR(torpedo.direction.z(), 18 / length, 1e-6);
  EXPECT_EQ(torpedo.state[2], 1.0f);  // from the muzzle
  EXPECT_EQ(torpedo.speed, 38.0f);
  EXPECT_EQ(torpedo.damage, 7.0f);
  EXPECT_EQ(torpedo.target, &crossing);
  EXPECT_EQ(torpedo.roster, &roster_);
  EXPECT_EQ(torpedo.model, armed_.torpedoModel());
  EXPECT_EQ(shooter.TorpedoLaunchers()[0].charge, 0.0f);
  EXPECT_EQ(sound_.CallsOf(1), (std::vector<std::string>{"SetVolume(-2400)", "Play(once)"}));
}

TEST_F(FireControlTest, LauncherNeverFiresAtALeadPoint38OrMoreAway) {
  Arm({}, {Mount({0, 0, 1}, {0, 0, 1}, 0.5f)});
  Ship& shooter = Add(armed_, {0, 0, 0});
  TorpedoPool& pool = armed_.torpedoes();

  // 25 units from the muzzle, but racing away at top speed: the lead point is 38.7 out.
  Ship& racer = Add(plain_, {0, 0, 26}, 0, 20);
  ASSERT_EQ(racer.Speed(), 20.0f);
  Enemies({&racer});
  Frame(shooter, 16);
  EXPECT_EQ(pool.ActiveCount(), 0);
  EXPECT_EQ(shooter.TorpedoLaunchers()[0].charge, 1.0f);

  // Standing still exactly 38 from the muzzle: out of reach; a hair nearer: launched.
  Ship& still = Add(plain_, {0, 0, 39});
  Enemies({&still});
  Frame(shooter, 16);
  EXPECT_EQ(pool.ActiveCount(), 0);
  Place(still, {0, 0, 38.9f});
  Frame(shooter, 16);
  EXPECT_EQ(pool.ActiveCount(), 1);
}

// The battle asks the opponents' grid, with their lines of flight, for the launcher's
// candidates; the opponent it picks is the one the walk over the whole list picks, whatever the
// speeds (some faster than a torpedo, some flying backwards) and headings.
TEST_F(FireControlTest, LauncherPicksTheSameOpponentThroughTheGridAsThroughTheList) {
  Arm({}, {Mount({0.6f, 0.3f, 1}, {0, 0, 1}, 1.2f)});
  TorpedoPool& pool = armed_.torpedoes();
  RandomGenerator g;
  g.Seed(5);
  auto coordinate = [&](int half) { return static_cast<float>(RandomRange(g, -half, half)); };
  // First in the list, opponents from far off flying at the shooter fast enough that their lead
  // point falls near it (some past it, faster than a torpedo), placed again for each shooter.
  std::vector<Ship*> enemies;
  for (int i = 0; i < 40; ++i) enemies.push_back(&Add(plain_, {0, 0, 0}));
  auto bringIn = [&](const Ship& shooter) {
    for (int i = 0; i < 40; ++i) {
      Vector3 from(RandomRange(g, -100, 100), RandomRange(g, -100, 100), RandomRange(g, -100, 100));
      from.Normalize();
      const double distance = RandomRange(g, 50, 500), overshoot = RandomRange(g, -40, 50);
      const Vector3 at =
          shooter.Position().Add(Vector3(from.x() * distance, from.y() * distance, from.z() * distance));
      Place(*enemies[static_cast<std::size_t>(i)], {static_cast<float>(at.x()),
                                                    static_cast<float>(at.y()),
                                                    static_cast<float>(at.z())});
      float pitch = 0, yaw = 0;
      DirectionToAngles(Vector3(-from.x(), -from.y(), -from.z()), pitch, yaw);
      testing::Pose(*enemies[static_cast<std::size_t>(i)], yaw, pitch,
                    static_cast<float>(38 * (distance - overshoot) / distance));
    }
  };
  for (int i = 0; i < 600; ++i) {
    Ship& enemy = Add(plain_, {coordinate(150), coordinate(150), coordinate(150)});
    const int speed = RandomRange(g, 0, 50) - 5;
    testing::Pose(enemy, RandomRange(g, 0, 360), RandomRange(g, -60, 60), static_cast<float>(speed));
    enemy.SetDead(i % 11 == 0);
    enemies.push_back(&enemy);
  }
  Enemies(enemies);

  // The opponent the ready launcher sends its torpedo at, or none.
  auto launchedAt = [&](Ship& shooter) -> const Ship* {
    if (pool.ActiveCount() == pool.Size()) {
      pool.Launch({}, Vector3(0, 0, 1), TorpedoPool::kSpeed, nullptr, nullptr, nullptr, 0);
    }
    std::vector<bool> flying;
    for (int i = 0; i < pool.Size(); ++i) flying.push_back(pool.At(i).active);
    shooter.TorpedoLaunchers()[0].charge = 1.0f;
    TorpedoFireControl(shooter, roster_, effects_);
    for (int i = 0; i < pool.Size(); ++i) {
      if (pool.At(i).active && !flying[static_cast<std::size_t>(i)]) return pool.At(i).target;
    }
    return nullptr;
  };
  int launches = 0, answeredByLines = 0, incoming = 0;
  for (int trial = 0; trial < 150; ++trial) {
    Ship& shooter = Add(armed_, {coordinate(100), coordinate(100), coordinate(100)});
    testing::Pose(shooter, RandomRange(g, 0, 360), RandomRange(g, -60, 60), 0);
    bringIn(shooter);
    roster_.SetGrids(nullptr, nullptr);
    const Ship* walked = launchedAt(shooter);

    ShipGrid theirs, ours;
    theirs.Build(enemies, 24);
    ours.Build({&shooter}, 24);
    double low[3], high[3], shooterLow[3], shooterHigh[3];
    ASSERT_TRUE(theirs.Bounds(low, high) && ours.Bounds(shooterLow, shooterHigh));
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], shooterLow[axis]);
      high[axis] = std::max(high[axis], shooterHigh[axis]);
    }
    IndexFlightLines(theirs, low, high, {&shooter});
    answeredByLines += theirs.LinesAnswer(shooter.Position(), 39) ? 1 : 0;
    roster_.SetGrids(&theirs, nullptr);
    EXPECT_EQ(launchedAt(shooter), walked) << "trial " << trial;
    roster_.SetGrids(nullptr, nullptr);
    launches += walked != nullptr ? 1 : 0;
    incoming += std::find(enemies.begin(), enemies.begin() + 40, walked) != enemies.begin() + 40;
  }
  EXPECT_GT(incoming, 20);
  EXPECT_EQ(answeredByLines, 150);
  EXPECT_GT(launches, 30);
  EXPECT_LT(launches, 140);
}

TEST_F(FireControlTest, LauncherArcWidensByTheTargetsRadius) {
  Arm({}, {Mount({0, 0, 1}, {0, 0, 1}, 0)});
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& enemy = Add(plain_, {0.2f, 0, 11});  // 1.15 degrees off: outside 0 + 1 degree
  Enemies({&enemy});
  Frame(shooter, 16);
  EXPECT_EQ(armed_.torpedoes().ActiveCount(), 0);
  Place(enemy, {0.15f, 0, 11});  // 0.86 degrees
  Frame(shooter, 16);
  EXPECT_EQ(armed_.torpedoes().ActiveCount(), 1);
}

TEST_F(FireControlTest, LauncherReloadsHalfASecondAfterALaunchEvenAFailedOne) {
  Arm({}, {Mount({0, 0, 1}, {0, 0, 1}, 0.5f)});
  Ship& shooter = Add(armed_, {0, 0, 0});
  Ship& enemy = Add(plain_, {0, 0, 10});
  Enemies({&enemy});
  WeaponState& launcher = shooter.TorpedoLaunchers()[0];
  TorpedoPool& pool = armed_.torpedoes();

  Frame(shooter, 16);
  ASSERT_EQ(pool.ActiveCount(), 1);
  Frame(shooter, 250);
  EXPECT_FLOAT_EQ(launcher.charge, -0.5f);
  Frame(shooter, 250);
  EXPECT_FLOAT_EQ(launcher.charge, -1.0f);
  EXPECT_EQ(pool.ActiveCount(), 1);
  Frame(shooter, 1);
  EXPECT_EQ(launcher.charge, 1.0f);
  EXPECT_EQ(launcher.lastUpdate, clock_.NowMilliseconds());
  Frame(shooter, 1);
  EXPECT_EQ(pool.ActiveCount(), 2);

  // A full pool drops the launch, yet the tube is emptied and the launch is heard.
  while (pool.ActiveCount() < TorpedoPool::kInitialPool) {
    pool.Launch({}, Vector3(0, 1, 0), 38, &enemy, &roster_, nullptr, 1);
  }
  launcher.charge = 1;
  sound_.Clear();
  Frame(shooter, 1);
  EXPECT_EQ(pool.Size(), 30);
  EXPECT_EQ(pool.ActiveCount(), 20);
  EXPECT_EQ(launcher.charge, 0.0f);
  EXPECT_EQ(sound_.CallsOf(1).size(), 2u);
}

TEST_F(FireControlTest, ClassWithoutMountsNeverFiresNorTouchesAMissingModel) {
  Ship& shooter = Add(plain_, {0, 0, 0});
  Ship& enemy = Add(plain_, {0, 0, 5});
  Enemies({&enemy});
  ASSERT_EQ(plain_.phaserModel(), nullptr);
  ASSERT_EQ(plain_.torpedoModel(), nullptr);
  gl_.calls.clear();
  for (int i = 0; i < 10; ++i) Frame(shooter, 100);
  EXPECT_EQ(enemy.Shield().strength, 80.0f);
  EXPECT_EQ(plain_.torpedoes().ActiveCount(), 0);
  plain_.torpedoes().Draw(plain_.torpedoModel(), plain_.torpedoTexture(), {}, names_);
  EXPECT_TRUE(gl_.calls.empty());
  // Its loop is never started; the stop of a silent loop is all it hears.
  for (const std::string& call : sound_.CallsOf(2)) EXPECT_EQ(call, "Stop");
}

}  // namespace
}  // namespace ironwood
