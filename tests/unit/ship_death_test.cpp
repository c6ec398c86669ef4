#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/headless/manual_clock.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/battle/ship_death.h"
#include "saver/core/random.h"
#include "tests/support/minimal_installation.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"
#include "tests/support/recording_sound.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::GlCall;

float Arg(const GlCall& call, std::size_t i) {
  return std::stof(call.args.at(i));
}

// A quad facing +z, as the billboard models are.
Mesh Quad() {
  Mesh mesh;
  mesh.positions = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
  mesh.normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
  mesh.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
  mesh.indices = {0, 1, 2, 0, 2, 3};
  mesh.vertexCount = 4;
  mesh.faceCount = 2;
  return mesh;
}

// Ships of a class with shield radius 3.7 (so 8 fragments) and all three sounds; the camera's
// eye is the fixed view's, at (0, 0, 100). The effect pools come from the smallest complete
// installation (two fragment meshes).
class ShipDeathTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kFrame = 16;

  ShipDeathTest() : scoped_(clock_) {
    SaverRandom().Seed(1234);
    PluginFile file = testing::FlyingShipPlugin(30);
    file.shieldAxes = {3.7f, 1, 1};
    file.hasSounds = true;
    for (std::size_t s = 0; s < 3; ++s) file.sounds[s] = testing::PcmSound(20 + s);
    EXPECT_TRUE(class_.Build(file, names_, 0, true));

    testing::WriteMinimalInstallation(folder_);
    std::string why;
    EXPECT_TRUE(explosions_.LoadExplosionMaps(folder_.WithSeparator(), &why)) << why;
    explosions_.LoadDeathImages(folder_.WithSeparator());
    EXPECT_TRUE(debris_.InitDebris(folder_.WithSeparator(), &why)) << why;

    effects_.explosions = &explosions_;
    effects_.debris = &debris_;
    effects_.uniBillboard = &billboard_;
    effects_.soundEffects = true;
    effects_.textures = &names_;
  }

  // A ship at (x, y, z) whose break-up shows a shock wave or not, as asked. Its three buffers
  // are the next three the sound output makes.
  void Launch(Ship& ship, float x, float y, float z, bool shockWave = true) {
    for (int tries = 0; tries < 100; ++tries) {
      ASSERT_TRUE(ship.Create(class_, {x, y, z, 0, 0, 0, 0, 0, 0}, true, &sound_));
      if (ship.ShockWaveWanted() == shockWave) return;
    }
    FAIL() << "no ship with the shock wave wanted = " << shockWave;
  }

  // One frame of the dying-ship passes as the frame runs them, each pass with its own flag.
  void Frame(Ship& ship) {
    bool shockWaveBound = false, flareBound = false;
    DeathBurst(ship, effects_);
    DrawShockWave(ship, shockWaveBound, effects_);
    DeathFlare(ship, flareBound, effects_);
  }

  platform::ManualClock clock_{20000};
  platform::ScopedClock scoped_;
  testing::RecordingGl gl_;
  testing::RecordingSound sound_;
  testing::TempFolder folder_;
  TextureNamePool names_;
  ShipClass class_;
  ExplosionSystem explosions_;
  DebrisSystem debris_;
  Mesh billboard_ = Quad();
  BattleEffects effects_;
};

// The whole break-up of one ship 60 units in front of the eye, frame by frame at 16 ms.
TEST_F(ShipDeathTest, TheBreakUpRunsItsCourseFrameByFrame) {
  Ship ship;
  Launch(ship, 0, 0, 40);
  const int breakUp = sound_.BuffersMade();  // sound 3, the last of the ship's three

  // Intact at exactly 100: nothing is drawn, nothing sounds, no timer starts.
  ship.AddDamage(100, -1);
  gl_.calls.clear();
  Frame(ship);
  EXPECT_TRUE(gl_.calls.empty());
  EXPECT_TRUE(sound_.calls.empty());
  EXPECT_FALSE(ship.FlashTimer().Started());
  EXPECT_FALSE(ship.FireballTimer().Started());

  ship.AddDamage(0.5f, -1);
  const Vector3 eye(0, 0, -100);
  bool burstSeen = false, fireballSeen = false;
  for (std::uint32_t t = 0; t <= 3600; t += kFrame) {
    SCOPED_TRACE("t = " + std::to_string(t));
    const int explosionsBefore = explosions_.ActiveCount();
    gl_.calls.clear();
    sound_.Clear();
    Frame(ship);
    if (t == 0) {
      // Both timers start with this frame; no fireball yet, the flash is at its faintest.
      EXPECT_TRUE(ship.FlashTimer().Started());
      EXPECT_TRUE(ship.FireballTimer().Started());
      EXPECT_EQ(explosions_.ActiveCount(), 0);
    }
    if (explosions_.ActiveCount() > explosionsBefore) fireballSeen = true;

    if (t <= 250) {
      EXPECT_TRUE(ship.HullPresent());
      EXPECT_EQ(debris_.ActiveCount(), 0);
    } else {
      // The burst: truncate(3.7 + 5) fragments, once; the hull is gone and so is the ship.
      EXPECT_FALSE(ship.HullPresent());
      EXPECT_EQ(debris_.ActiveCount(), 8);
      burstSeen = true;
      ship.UpdateVisibility(eye);
      EXPECT_FALSE(ship.IsVisible());
    }

    // The break-up sound: 20 x 60 units below full loudness, every frame of the flash.
    if (t <= 500) {
      EXPECT_EQ(sound_.CallsOf(breakUp),
                (std::vector<std::string>{"SetVolume(-1200)", "Play(once)"}));
    } else {
      EXPECT_TRUE(sound_.calls.empty());
    }
    EXPECT_TRUE(sound_.CallsOf(1).empty());
    EXPECT_TRUE(sound_.CallsOf(2).empty());

    EXPECT_EQ(ship.IsDead(), t > 3500);
    clock_.Advance(kFrame);
  }
  EXPECT_TRUE(burstSeen);
  EXPECT_TRUE(fireballSeen);
}

// Fireballs: none at the start, nearly every frame towards the end, around the ship, shrinking
// with f = 1 - t / 4000.
TEST_F(ShipDeathTest, FireballsGrowMoreFrequentAndSmallerAroundTheShip) {
  Ship ship;
  Launch(ship, 10, 20, 30);
  ship.AddDamage(200, -1);
  int late = 0, lateFrames = 0;
  const std::uint32_t start = clock_.NowMilliseconds();
  for (std::uint32_t t = 0; t <= 3500; t += kFrame) {
    const int before = explosions_.ActiveCount();
    DeathBurst(ship, effects_);
    const bool spawned = explosions_.ActiveCount() > before;
    if (spawned) {
      const float f = 1.0f - t / 4000.0f;
      for (const Explosion& e : explosions_.pool()) {
        if (!e.active || e.spawnTime != clock_.NowMilliseconds()) continue;
        EXPECT_NEAR(e.billboard.scale[0], 5 * 3.7f * f, 1e-3) << t;
        EXPECT_EQ(e.billboard.scale[1], e.billboard.scale[0]);
        EXPECT_EQ(e.billboard.mesh, &billboard_);
        const float offsets[] = {e.billboard.placement[0] - 10, e.billboard.placement[1] - 20,
                                 e.billboard.placement[2] - 30};
        for (float o : offsets) {
          // f * (k - 1.5) for k = 0, 1, 2.
          const float k = o / f + 1.5f;
          EXPECT_NEAR(k, std::round(k), 1e-3) << t;
          EXPECT_GE(std::round(k), 0.0f);
          EXPECT_LE(std::round(k), 2.0f);
        }
      }
    }
    if (t == 0) {
      EXPECT_FALSE(spawned);
    }
    if (t >= 2500) {
      late += spawned;
      ++lateFrames;
    }
    clock_.Advance(kFrame);
  }
  EXPECT_GT(late, lateFrames * 9 / 10);
  EXPECT_FALSE(ship.IsDead());
  clock_.Set(start + 3500);  // still burning
  DeathBurst(ship, effects_);
  EXPECT_FALSE(ship.IsDead());
  clock_.Set(start + 3501);
  DeathBurst(ship, effects_);
  EXPECT_TRUE(ship.IsDead());
}

// The break-up sound only while sound effects are on and only within 400 units of the eye.
TEST_F(ShipDeathTest, TheBreakUpSoundNeedsSoundEffectsAndAnEarWithin400Units) {
  Ship quiet, near, far;
  Launch(quiet, 0, 0, 40);
  Launch(near, 0, 0, 499);  // 399 units: -7980
  const int nearBuffer = sound_.BuffersMade();
  Launch(far, 0, 0, 501);  // 401 units: -8020, below the cut-off
  const int farBuffer = sound_.BuffersMade();
  for (Ship* ship : {&quiet, &near, &far}) ship->AddDamage(150, -1);

  effects_.soundEffects = false;
  Frame(quiet);
  EXPECT_TRUE(sound_.calls.empty());
  effects_.soundEffects = true;
  Frame(near);
  Frame(far);
  EXPECT_EQ(sound_.CallsOf(nearBuffer),
            (std::vector<std::string>{"SetVolume(-7980)", "Play(once)"}));
  EXPECT_TRUE(sound_.CallsOf(farBuffer).empty());
  EXPECT_EQ(sound_.calls.size(), 2u);
}

// The flash faces the eye and peaks at 250 ms at sin 1, twice as wide as tall.
TEST_F(ShipDeathTest, TheFlareFacesTheEyeAndPeaksAtAQuarterSecond) {
  Ship ship;
  Launch(ship, 60, 0, 100);  // beside the eye: it must turn to -x
  ship.AddDamage(150, -1);
  bool bound = false;
  DeathFlare(ship, bound, effects_);
  clock_.Advance(250);
  gl_.calls.clear();
  bound = true;  // already bound this frame: no bind
  DeathFlare(ship, bound, effects_);
  EXPECT_EQ(gl_.Count("glBindTexture"), 0);
  const float k = static_cast<float>(std::sin(1.0));
  ASSERT_EQ(gl_.Count("glColor4f"), 1);
  EXPECT_NEAR(Arg(gl_.Named("glColor4f")[0], 3), k, 1e-4);
  // Turned towards the eye (yaw -90, no pitch, no roll) and scaled.
  ASSERT_EQ(gl_.Count("glMultMatrixf"), 1);
  const double s = 3.7 * k / 3;
  EXPECT_LT(testing::LargestDifference(
                testing::MatrixArgs(gl_.Named("glMultMatrixf")[0]),
                testing::TurnedByCalls({60, 0, 100}, -90, 0, 0, {90 * s, 45 * s, 45 * s})),
            1e-3);
  EXPECT_EQ(gl_.Count("glDrawElements"), 1);

  clock_.Advance(251);  // 501 ms: the flash is over
  gl_.calls.clear();
  DeathFlare(ship, bound, effects_);
  EXPECT_EQ(gl_.Count("glDrawElements"), 0);
}

// The disc: set up on its first frame where the ship broke up, then grown by t / 14 and faded by
// t / 1900, gone at two seconds.
TEST_F(ShipDeathTest, TheShockWaveGrowsAndFadesWhereTheShipBrokeUp) {
  Ship ship;
  Launch(ship, 5, 6, 7, true);
  ship.AddDamage(150, -1);
  bool bound = false;
  DrawShockWave(ship, bound, effects_);
  EXPECT_TRUE(bound);
  EXPECT_TRUE(ship.ShockWaveTimer().Started());
  const BillboardInstance wave = ship.ShockWave();
  EXPECT_EQ(wave.mesh, &billboard_);
  EXPECT_EQ(wave.roll, 0);
  Vector3 axis = wave.direction;
  EXPECT_NEAR(axis.Length(), 1.0, 1e-9);

  // The wreck drifts on; the disc stays.
  ship.SetStartState({50, 60, 70, 0, 0, 0, 0, 0, 0});
  clock_.Advance(950);
  gl_.calls.clear();
  DrawShockWave(ship, bound, effects_);
  ASSERT_EQ(gl_.Count("glColor4f"), 1);
  const GlCall colour = gl_.Named("glColor4f")[0];
  EXPECT_NEAR(Arg(colour, 0), 1, 1e-6);
  EXPECT_NEAR(Arg(colour, 3), 0.5, 1e-4);
  ASSERT_EQ(gl_.Count("glMultMatrixf"), 1);
  const double grown = 950.0 / 14;
  EXPECT_LT(testing::LargestDifference(
                testing::MatrixArgs(gl_.Named("glMultMatrixf")[0]),
                testing::TurnedByCalls({5, 6, 7}, wave.yaw, wave.pitch, 0, {grown, grown, grown})),
            1e-3);
  EXPECT_EQ(gl_.Count("glDrawElements"), 1);

  clock_.Advance(1049);  // 1999 ms: still there, nearly gone
  gl_.calls.clear();
  DrawShockWave(ship, bound, effects_);
  EXPECT_EQ(gl_.Count("glDrawElements"), 1);
  clock_.Advance(1);  // 2000 ms: over
  gl_.calls.clear();
  DrawShockWave(ship, bound, effects_);
  EXPECT_EQ(gl_.Count("glDrawElements"), 0);
  EXPECT_EQ(gl_.Count("glColor4f"), 0);
}

// No disc for a ship that did not draw one, nor for one torn apart by 700 or more; the flash
// and fireballs go on for both.
TEST_F(ShipDeathTest, NoShockWaveWhenUnwantedOrAt700) {
  Ship unwanted, shattered;
  Launch(unwanted, 0, 0, 0, false);
  Launch(shattered, 0, 0, 0, true);
  unwanted.AddDamage(150, -1);
  shattered.AddDamage(700, -1);
  for (Ship* ship : {&unwanted, &shattered}) {
    bool bound = false;
    gl_.calls.clear();
    DrawShockWave(*ship, bound, effects_);
    EXPECT_TRUE(gl_.calls.empty());
    EXPECT_FALSE(bound);
    EXPECT_FALSE(ship->ShockWaveTimer().Started());
    DeathFlare(*ship, bound, effects_);
    EXPECT_EQ(gl_.Count("glDrawElements"), 1);
    EXPECT_TRUE(ship->FlashTimer().Started());
  }
}

// Several dying ships in one frame: each pass binds its texture once, selecting unit 0 first.
TEST_F(ShipDeathTest, EachPassBindsItsTextureOnceAFrame) {
  effects_.caps.multitexture = true;
  std::vector<Ship> ships(3);
  for (Ship& ship : ships) {
    Launch(ship, 0, 0, 0, true);
    ship.AddDamage(150, -1);
  }
  for (int frame = 0; frame < 2; ++frame) {
    clock_.Advance(kFrame);
    gl_.calls.clear();
    bool shockWaveBound = false;
    for (Ship& ship : ships) DrawShockWave(ship, shockWaveBound, effects_);
    const std::size_t shockWaveCalls = gl_.calls.size();
    bool flareBound = false;
    for (Ship& ship : ships) DeathFlare(ship, flareBound, effects_);

    const std::vector<GlCall> binds = gl_.Named("glBindTexture");
    ASSERT_EQ(binds.size(), 2u) << frame;
    EXPECT_EQ(binds[0].args[1], std::to_string(explosions_.shockWave().glName()));
    EXPECT_EQ(binds[1].args[1], std::to_string(explosions_.explosionFlare().glName()));
    EXPECT_EQ(gl_.Count("glDrawElements"), 6);
    // Unit 0 is selected before each bind.
    const std::vector<std::string> names = gl_.Names();
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] != "glBindTexture") continue;
      bool unitZero = false;
      for (std::size_t j = i; j-- > 0 && !unitZero;) {
        if (names[j] == "glActiveTextureARB") unitZero = gl_.calls[j].args[0] == "33984";
      }
      EXPECT_TRUE(unitZero) << "bind " << i;
    }
    EXPECT_GT(shockWaveCalls, 0u);
  }
}

// The burst on its own: fragments near the ship, thrown forward-ish, from the model's meshes.
// Without fragment models none are thrown, but the hull goes all the same.
TEST_F(ShipDeathTest, TheDebrisBurstThrowsFragmentsAroundTheShipAlongItsTravel) {
  Ship ship;
  Launch(ship, 10, 20, 30);
  DebrisBurst(ship, effects_);
  EXPECT_FALSE(ship.HullPresent());
  ASSERT_EQ(debris_.ActiveCount(), 8);
  bool bothMeshes[2] = {false, false};
  for (const DebrisFragment& d : debris_.pool()) {
    if (!d.active) continue;
    const float origin[] = {10, 20, 30};
    for (std::size_t a = 0; a < 3; ++a) {
      // origin + o - 1.85 with o in 0..2.
      const float o = d.placement[a] - origin[a] + 1.85f;
      EXPECT_NEAR(o, std::round(o), 1e-4);
      EXPECT_GE(std::round(o), 0.0f);
      EXPECT_LE(std::round(o), 2.0f);
    }
    // The nose is +z; the spread adds -0.5 .. 0.475 on each axis.
    EXPECT_GT(d.direction.z(), 0.0);
    for (int m = 0; m < 2; ++m) bothMeshes[m] |= d.mesh == debris_.MeshAt(m);
    EXPECT_TRUE(d.mesh == debris_.MeshAt(0) || d.mesh == debris_.MeshAt(1));
  }
  EXPECT_TRUE(bothMeshes[0] && bothMeshes[1]);

  DebrisSystem empty;  // no model loaded
  effects_.debris = &empty;
  Ship other;
  Launch(other, 0, 0, 0);
  DebrisBurst(other, effects_);
  EXPECT_FALSE(other.HullPresent());
  EXPECT_EQ(empty.ActiveCount(), 0);
}

// A scene without pools, meshes or textures still takes the ship through its break-up.
TEST_F(ShipDeathTest, MissingPiecesAreLeftOut) {
  BattleEffects bare;
  bare.soundEffects = true;
  Ship ship;
  Launch(ship, 0, 0, 40);
  ship.AddDamage(150, -1);
  gl_.calls.clear();
  for (std::uint32_t t = 0; t <= 3600; t += kFrame) {
    bool a = false, b = false;
    DeathBurst(ship, bare);
    DrawShockWave(ship, a, bare);
    DeathFlare(ship, b, bare);
    clock_.Advance(kFrame);
  }
  EXPECT_FALSE(ship.HullPresent());
  EXPECT_TRUE(ship.IsDead());
  EXPECT_EQ(gl_.Count("glDrawElements"), 0);
  EXPECT_EQ(gl_.Count("glBindTexture"), 0);
  EXPECT_FALSE(sound_.calls.empty());  // the ship's own buffer still sounds
}

}  // namespace
}  // namespace ironwood
