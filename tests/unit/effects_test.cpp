#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/manual_clock.h"
#include "saver/core/random.h"
#include "saver/effects/billboard.h"
#include "saver/effects/debris.h"
#include "saver/effects/effect_pool.h"
#include "saver/effects/explosions.h"
#include "saver/effects/phaser_flare.h"
#include "saver/render/scene_loading.h"
#include "saver/shell/startup_log.h"
#include "tests/support/minimal_installation.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::GlCall;
using testing::RecordingGl;
using testing::TempFolder;

Mesh Quad() {
  Mesh mesh;
  mesh.vertexCount = 4;
  mesh.faceCount = 2;
  mesh.positions = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
  mesh.normals.assign(12, 0);
  mesh.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
  mesh.indices = {0, 1, 2, 0, 2, 3};
  return mesh;
}

std::vector<double> Numbers(const GlCall& call) {
  std::vector<double> numbers;
  for (const std::string& arg : call.args) numbers.push_back(std::stod(arg));
  return numbers;
}

void ExpectNumbers(const GlCall& call, const std::vector<double>& expected, double tolerance) {
  const std::vector<double> actual = Numbers(call);
  ASSERT_EQ(actual.size(), expected.size()) << call.Text();
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_NEAR(actual[i], expected[i], tolerance) << call.Text() << " argument " << i;
  }
}

EffectPlacement At(float x, float y, float z) {
  EffectPlacement placement{};
  placement[0] = x;
  placement[1] = y;
  placement[2] = z;
  return placement;
}

// ---- Billboards ----

TEST(Billboards, TurnTowardsTheEyeBehindTheNegatedOffset) {
  const Mesh quad = Quad();
  BillboardInstance billboard;
  billboard.mesh = &quad;
  billboard.placement = At(1, 2, 3);
  billboard.roll = 30;
  billboard.scale = {2, 1, 3};
  // Faces the eye at -eyeOffset with the given angles, and is drawn turned by just those.
  auto expectFacing = [&](const std::array<float, 3>& eyeOffset, float yaw, float pitch) {
    FaceEye(billboard, eyeOffset);
    const auto [drawnPitch, drawnYaw] = BillboardAngles(billboard);
    EXPECT_NEAR(drawnYaw, yaw, 1e-3);
    EXPECT_NEAR(drawnPitch, pitch, 1e-3);
    RecordingGl recording;
    DrawBillboard(billboard, {});
    EXPECT_LT(testing::LargestDifference(
                  testing::MatrixArgs(recording.Named("glMultMatrixf").at(0)),
                  testing::TurnedByCalls({1, 2, 3}, yaw, pitch, 30, {2, 1, 3})),
              1e-5);
  };
  // The eye at (11, 2, 3): straight along +x, a quarter turn of yaw.
  expectFacing({-11, -2, -3}, 90, 0);
  EXPECT_NEAR(billboard.direction.x(), 10, 1e-6);
  // The eye at (1, 12, 13): up and ahead at 45 degrees, which is a negative pitch.
  expectFacing({-1, -12, -13}, 0, -45);
  // Behind and to the left: (-10, 0, -10).
  expectFacing({9, -2, 7}, -135, 0);
  // Straight above: the yaw stays as it was.
  billboard.facing = false;
  billboard.yaw = 20;
  expectFacing({-1, -12, -3}, 20, -90);
}

TEST(Billboards, DrawTranslatedTurnedRolledAndScaledWithLockingOnlyWhenAsked) {
  const Mesh quad = Quad();
  BillboardInstance billboard;
  billboard.mesh = &quad;
  billboard.placement = At(4, 5, 6);
  billboard.yaw = 30;
  billboard.pitch = -20;
  billboard.roll = 200;
  billboard.scale = {2, 3, 4};
  {
    RecordingGl recording;
    DrawBillboardLocked(billboard, {.multitexture = false, .compiledVertexArrays = true});
    EXPECT_EQ(recording.Names(),
              (std::vector<std::string>{"glVertexPointer", "glNormalPointer", "glTexCoordPointer",
                                        "glLockArraysEXT", "glPushMatrix", "glMultMatrixf",
                                        "glDrawElements", "glPopMatrix", "glUnlockArraysEXT"}));
    EXPECT_EQ(recording.Named("glLockArraysEXT").at(0).Text(), "glLockArraysEXT(0, 4)");
    EXPECT_LT(
        testing::LargestDifference(testing::MatrixArgs(recording.Named("glMultMatrixf").at(0)),
                                   testing::TurnedByCalls({4, 5, 6}, 30, -20, 200, {2, 3, 4})),
        1e-5);
    EXPECT_EQ(recording.Named("glDrawElements").at(0).args.at(1), "6");
  }
  {
    RecordingGl recording;
    DrawBillboardLocked(billboard, {.multitexture = false, .compiledVertexArrays = false});
    DrawBillboard(billboard, {.multitexture = false, .compiledVertexArrays = true});
    EXPECT_EQ(recording.Count("glLockArraysEXT") + recording.Count("glUnlockArraysEXT"), 0);
    EXPECT_EQ(recording.Count("glDrawElements"), 2);
  }
  {
    RecordingGl recording;
    billboard.mesh = nullptr;
    DrawBillboard(billboard, {});
    DrawBillboardLocked(billboard, {.multitexture = false, .compiledVertexArrays = true});
    EXPECT_TRUE(recording.calls.empty());
  }
}

// ---- Pools ----

// Whatever order slots are freed in, a spawn gets the lowest free one; a full pool has none
// until it grows, and then the first new slot.
TEST(EffectPools, HandOutTheFirstFreeSlot) {
  struct Slot {
    bool active = false;
  };
  EffectPool<Slot> pool(6);
  auto take = [&] {
    Slot* slot = pool.FirstFree();
    if (slot == nullptr) return -1;
    slot->active = true;
    return static_cast<int>(slot - &pool[0]);
  };
  for (int i = 0; i < 6; ++i) EXPECT_EQ(take(), i);
  EXPECT_EQ(take(), -1);
  pool.Free(pool[4]);
  pool.Free(pool[1]);
  pool.Free(pool[3]);
  EXPECT_EQ(take(), 1);
  EXPECT_EQ(take(), 3);
  pool.Free(pool[0]);
  EXPECT_EQ(take(), 0);
  EXPECT_EQ(take(), 4);
  EXPECT_EQ(take(), -1);
  ASSERT_TRUE(pool.Grow(2));
  EXPECT_EQ(take(), 6);
  pool.Free(pool[2]);
  EXPECT_EQ(take(), 2);
  EXPECT_EQ(take(), 7);
  EXPECT_EQ(pool.ActiveCount(), 8);
  // Grown by a small step again and again, the pool keeps its slots and their order, grows by
  // exactly the step, and moves its storage only now and then rather than at every step.
  int moves = 0;
  for (int step = 0; step < 1000; ++step) {
    const Slot* before = &pool[0];
    ASSERT_TRUE(pool.Grow(2));
    moves += &pool[0] != before ? 1 : 0;
  }
  EXPECT_EQ(pool.size(), 2008u);
  EXPECT_EQ(pool.ActiveCount(), 8);
  EXPECT_EQ(take(), 8);
  EXPECT_LT(moves, 20);
  pool.Reset(3);
  EXPECT_EQ(take(), 0);
}

// ---- Explosions ----

struct LoadedEffects {
  LoadedEffects() {
    testing::WriteMinimalInstallation(folder);
    std::string why;
    EXPECT_TRUE(explosions.LoadExplosionMaps(folder.WithSeparator(), &why)) << why;
    SaverRandom().Seed(5);
  }
  // The image the last draw bound, or -1 when nothing was drawn.
  int ShownImage(const RecordingGl& recording) {
    if (recording.Count("glDrawElements") == 0) return -1;
    const auto binds = recording.Named("glBindTexture");
    if (binds.empty()) return -2;
    const std::string name = binds.back().args.at(1);
    for (int k = 0; k < ExplosionSystem::kFrameCount; ++k) {
      if (std::to_string(explosions.frame(k).glName()) == name) return k;
    }
    return -3;
  }
  int ImageAt(std::uint32_t ms) {
    clock.Set(ms);
    RecordingGl recording;
    explosions.DrawExplosions({0, 0, -10}, {}, names);
    return ShownImage(recording);
  }

  TempFolder folder;
  ExplosionSystem explosions;
  TextureNamePool names;
  platform::ManualClock clock{1000};
  platform::ScopedClock scoped{clock};
  Mesh quad = Quad();
};

TEST(Explosions, PlayThirtyTwoImagesInHalfASecondFromTheirStartFrame) {
  LoadedEffects effects;
  effects.explosions.SpawnExplosion(&effects.quad, At(0, 0, 0), {1, 1, 1}, {}, 0);
  EXPECT_EQ(effects.ImageAt(1000), 0);
  EXPECT_EQ(effects.ImageAt(1015), 0);  // 15.625 ms an image
  EXPECT_EQ(effects.ImageAt(1016), 1);
  EXPECT_EQ(effects.ImageAt(1250), 16);
  EXPECT_EQ(effects.ImageAt(1484), 30);
  EXPECT_EQ(effects.ImageAt(1485), 31);  // from 484.375 ms
  EXPECT_EQ(effects.ImageAt(1499), 31);
  EXPECT_EQ(effects.explosions.ActiveCount(), 1);
  EXPECT_EQ(effects.ImageAt(1500), -1);
  EXPECT_EQ(effects.explosions.ActiveCount(), 0);

  // Starting at image 20 leaves 12 images: 187.5 ms.
  effects.clock.Set(2000);
  effects.explosions.SpawnExplosion(&effects.quad, At(0, 0, 0), {1, 1, 1}, {}, 20);
  EXPECT_EQ(effects.ImageAt(2000), 20);
  EXPECT_EQ(effects.ImageAt(2187), 31);
  EXPECT_EQ(effects.ImageAt(2188), -1);
  EXPECT_EQ(effects.explosions.ActiveCount(), 0);
}

TEST(Explosions, FaceTheEyeOnUnitZeroEachWithItsOwnRoll) {
  LoadedEffects effects;
  effects.explosions.SpawnExplosion(&effects.quad, At(10, 0, 0), {2, 2, 2}, {}, 0);
  effects.explosions.SpawnExplosion(&effects.quad, At(0, 5, 0), {2, 2, 2}, {}, 0);
  // The same draws, in the same order, as the spawns made.
  RandomGenerator expected;
  expected.Seed(5);
  const int firstRoll = RandomRange(expected, 0, 360);
  const int secondRoll = RandomRange(expected, 0, 360);

  RecordingGl recording;
  effects.explosions.DrawExplosions({0, 0, 0}, {.multitexture = true, .compiledVertexArrays = true},
                                    effects.names);
  // Unit 0 selected first; both show image 0 on the same mesh, so the image is bound and the
  // arrays set once, and each draw is locked.
  ASSERT_EQ(recording.Count("glDrawElements"), 2);
  for (const GlCall& call : recording.Named("glActiveTextureARB")) {
    EXPECT_EQ(call.args.at(0), std::to_string(GL_TEXTURE0_ARB));
  }
  const std::vector<std::string> calls = recording.Names();
  EXPECT_EQ(calls.back(), "glUnlockArraysEXT");
  EXPECT_EQ(calls.front(), "glActiveTextureARB");
  EXPECT_EQ(recording.Count("glBindTexture"), 1);
  EXPECT_EQ(recording.Count("glVertexPointer"), 1);
  EXPECT_EQ(recording.Count("glLockArraysEXT"), 2);
  // The eye is at the origin: the first looks back along -x, the second down.
  const BillboardInstance& first = effects.explosions.pool()[0].billboard;
  const BillboardInstance& second = effects.explosions.pool()[1].billboard;
  const auto [firstPitch, firstYaw] = BillboardAngles(first);
  EXPECT_NEAR(firstYaw, -90, 1e-3);
  EXPECT_NEAR(firstPitch, 0, 1e-3);
  EXPECT_EQ(first.roll, static_cast<float>(firstRoll));
  const auto [secondPitch, secondYaw] = BillboardAngles(second);
  EXPECT_NEAR(secondPitch, 90, 1e-3);
  EXPECT_EQ(second.roll, static_cast<float>(secondRoll));
  EXPECT_NE(firstRoll, secondRoll);
  const auto placed = recording.Named("glMultMatrixf");
  ASSERT_EQ(placed.size(), 2u);
  EXPECT_LT(testing::LargestDifference(
                testing::MatrixArgs(placed[0]),
                testing::TurnedByCalls({10, 0, 0}, firstYaw, firstPitch, first.roll, {2, 2, 2})),
            1e-5);
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(placed[1]),
                                       testing::TurnedByCalls({0, 5, 0}, secondYaw, secondPitch,
                                                              second.roll, {2, 2, 2})),
            1e-5);
}

TEST(Explosions, AFullPoolGrowsByTenAndDropsTheExplosionThatFoundItFull) {
  LoadedEffects effects;
  for (int i = 0; i < 32; ++i) {
    effects.explosions.SpawnExplosion(&effects.quad, At(0, 0, 0), {1, 1, 1}, {}, 0);
  }
  EXPECT_EQ(effects.explosions.ActiveCount(), 32);
  effects.explosions.SpawnExplosion(&effects.quad, At(1, 0, 0), {1, 1, 1}, {}, 0);
  EXPECT_EQ(effects.explosions.pool().size(), 42u);
  EXPECT_EQ(effects.explosions.ActiveCount(), 32);
  effects.explosions.SpawnExplosion(&effects.quad, At(2, 0, 0), {1, 1, 1}, {}, 0);
  EXPECT_EQ(effects.explosions.ActiveCount(), 33);
  EXPECT_EQ(effects.explosions.pool()[32].billboard.placement[0], 2);

  RecordingGl recording;
  effects.explosions.DrawExplosions({0, 0, -10}, {}, effects.names);
  EXPECT_EQ(recording.Count("glDrawElements"), 33);

  // A view that takes in x from -1.5 to 1.5 (a box, from identity matrices scaled by 2/3):
  // the explosion at x = 2 still shows a corner at 1 (the quad's reach is 1.41), one at x = 4
  // shows nothing and is left out, but runs its course all the same.
  effects.explosions.SpawnExplosion(&effects.quad, At(4, 0, 0), {1, 1, 1}, {}, 0);
  const double projection[16] = {2.0 / 3, 0, 0, 0, 0, 2.0 / 3, 0, 0, 0, 0, 2.0 / 3, 0, 0, 0, 0, 1};
  const double modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  RecordingGl viewed;
  effects.explosions.DrawExplosions({0, 0, -10}, {}, effects.names,
                                    ViewVolume::FromMatrices(projection, modelview));
  EXPECT_EQ(viewed.Count("glDrawElements"), 33);
  EXPECT_EQ(effects.explosions.ActiveCount(), 34);
  effects.clock.Set(1600);
  effects.explosions.DrawExplosions({0, 0, -10}, {}, effects.names,
                                    ViewVolume::FromMatrices(projection, modelview));
  EXPECT_EQ(effects.explosions.ActiveCount(), 0);
}

TEST(Explosions, WithoutTheirImagesRunTheirCourseUnseen) {
  ExplosionSystem explosions;
  TextureNamePool names;
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  const Mesh quad = Quad();
  // The empty pool grows for the first; the second is placed.
  explosions.SpawnExplosion(&quad, At(0, 0, 0), {1, 1, 1}, {}, 0);
  explosions.SpawnExplosion(&quad, At(0, 0, 0), {1, 1, 1}, {}, 0);
  ASSERT_EQ(explosions.ActiveCount(), 1);
  RecordingGl recording;
  explosions.DrawExplosions({0, 0, -10}, {}, names);
  EXPECT_EQ(recording.Count("glDrawElements"), 0);
  EXPECT_EQ(explosions.ActiveCount(), 1);
  clock.Set(500);
  explosions.DrawExplosions({0, 0, -10}, {}, names);
  EXPECT_EQ(explosions.ActiveCount(), 0);
}

// ---- Debris ----

struct DebrisEffects : LoadedEffects {
  DebrisEffects() {
    std::string why;
    EXPECT_TRUE(debris.InitDebris(folder.WithSeparator(), &why)) << why;
    clock.Set(0);
  }
  DebrisSystem debris;
};

TEST(Debris, FlyElevenUnitsASecondTumbleAndGoAfterFiveSeconds) {
  DebrisEffects effects;
  effects.debris.SpawnDebris(At(1, 2, 3), Vector3(3, 0, 4), effects.debris.MeshAt(0));
  effects.clock.Set(100);
  effects.debris.UpdateDebris(effects.explosions, &effects.quad);
  const DebrisFragment& fragment = effects.debris.pool()[0];
  // 1.1 units along (0.6, 0, 0.8).
  EXPECT_NEAR(fragment.placement[0], 1.66, 1e-5);
  EXPECT_NEAR(fragment.placement[1], 2, 1e-6);
  EXPECT_NEAR(fragment.placement[2], 3.88, 1e-5);
  EXPECT_EQ(fragment.lastUpdate, 100u);
  // 180 to 359 degrees a second for 100 ms.
  EXPECT_GE(fragment.rotX, 18.0f);
  EXPECT_LT(fragment.rotX, 36.0f);
  EXPECT_EQ(fragment.rotY, 0);
  EXPECT_EQ(fragment.rotZ, 0);

  effects.clock.Set(5000);
  effects.debris.UpdateDebris(effects.explosions, &effects.quad);
  EXPECT_TRUE(fragment.active);
  EXPECT_NEAR(fragment.placement[0], 1 + 0.6 * 55, 1e-3);
  effects.clock.Set(5001);
  effects.debris.UpdateDebris(effects.explosions, &effects.quad);
  EXPECT_FALSE(fragment.active);
  EXPECT_NEAR(fragment.placement[0], 1 + 0.6 * 55, 1e-3);  // not moved on its last update
}

TEST(Debris, LeaveAPuffBehindFourChancesInTenEach16Milliseconds) {
  DebrisEffects effects;
  effects.debris.SpawnDebris(At(0, 0, 0), Vector3(0, 0, 1), effects.debris.MeshAt(0));
  SaverRandom().Seed(11);
  RandomGenerator expected;
  expected.Seed(11);
  float rotX = 0;
  int puffs = 0;
  for (std::uint32_t ms = 16; ms <= 800; ms += 16) {
    effects.clock.Set(ms);
    effects.debris.UpdateDebris(effects.explosions, &effects.quad);
    rotX += static_cast<float>(RandomRange(expected, 180, 360) * 16 / 1000.0);
    const bool puff = RandomRange(expected, 0, 10) > 5;
    if (puff) {
      RandomRange(expected, 0, 360);  // the puff's roll
      ++puffs;
      // A full-length puff of size 1 on the billboard, where the fragment now is.
      const Explosion& latest = effects.explosions.pool()[static_cast<std::size_t>(puffs - 1)];
      EXPECT_EQ(latest.billboard.mesh, &effects.quad);
      EXPECT_NEAR(latest.billboard.placement[2], 11.0 * ms / 1000.0, 1e-4);
      EXPECT_EQ(latest.billboard.scale, (std::array<float, 3>{1, 1, 1}));
      EXPECT_EQ(latest.startFrame, 0u);
      EXPECT_EQ(latest.spawnTime, ms);
    }
    ASSERT_EQ(effects.explosions.ActiveCount(), puffs) << ms;
  }
  EXPECT_NEAR(effects.debris.pool()[0].rotX, rotX, 1e-3);
  // 50 updates: about 20 puffs, all still in the first 32 slots.
  EXPECT_GT(puffs, 10);
  EXPECT_LT(puffs, 32);
}

TEST(Debris, TheTwentyFirstFragmentGrowsThePoolAndIsDrawnWithTheOthers) {
  DebrisEffects effects;
  for (int i = 0; i < 21; ++i) {
    effects.debris.SpawnDebris(At(static_cast<float>(i), 0, 0), Vector3(1, 0, 0),
                               effects.debris.MeshAt(i % 2));
  }
  EXPECT_EQ(effects.debris.pool().size(), 30u);
  EXPECT_TRUE(effects.debris.pool()[20].active);
  EXPECT_EQ(effects.debris.ActiveCount(), 21);
  RecordingGl recording;
  effects.debris.DrawDebris({}, effects.names);
  EXPECT_EQ(recording.Count("glDrawElements"), 21);
  EXPECT_EQ(testing::MatrixArgs(recording.Named("glMultMatrixf").at(20))[12], 20);
}

TEST(Debris, EachFragmentIsDrawnWithItsMeshTextureAndItsTumble) {
  DebrisEffects effects;
  const Mesh* mesh = effects.debris.MeshAt(1);
  ASSERT_NE(mesh, nullptr);
  ASSERT_NE(mesh->texture, nullptr);
  const Mesh bare = Quad();  // no texture of its own
  effects.debris.SpawnDebris(At(7, 8, 9), Vector3(0, 1, 0), mesh);
  effects.debris.SpawnDebris(At(1, 1, 1), Vector3(0, 1, 0), &bare);
  effects.clock.Set(100);
  effects.debris.UpdateDebris(effects.explosions, &effects.quad);
  const DebrisFragment& fragment = effects.debris.pool()[0];

  RecordingGl recording;
  effects.debris.DrawDebris({.multitexture = true, .compiledVertexArrays = false}, effects.names);
  const std::vector<std::string> names = recording.Names();
  // From the arrays to the pop, for the first fragment.
  std::vector<std::string> first;
  for (const std::string& name : names) {
    first.push_back(name);
    if (name == "glPopMatrix") break;
  }
  const std::vector<std::string> tail(first.end() - 4, first.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"glPushMatrix", "glMultMatrixf", "glDrawElements",
                                            "glPopMatrix"}));
  EXPECT_EQ(first.front(), "glVertexPointer");
  EXPECT_EQ(recording.Named("glActiveTextureARB").at(0).args.at(0),
            std::to_string(GL_TEXTURE0_ARB));
  const auto binds = recording.Named("glBindTexture");
  ASSERT_EQ(binds.size(), 1u);  // the bare mesh binds nothing
  EXPECT_EQ(binds[0].args.at(1), std::to_string(mesh->texture->glName()));
  // Tumbling about x only.
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(recording.Named("glMultMatrixf").at(0)),
                                       testing::TurnedByCalls({7, 9.1, 9}, 0, fragment.rotX, 0)),
            1e-5);
  EXPECT_EQ(recording.Count("glDrawElements"), 2);
}

// ---- Sparks ----

TEST(Sparks, FadeFromOrangeRedToBlackOverFiveUnitsAndShowTheirLastPointOnce) {
  SparkSystem sparks;
  sparks.InitSparks();
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  sparks.SpawnSpark(At(1, 2, 3), Vector3(0, 0, 2));
  // The calls of one frame's batch at `ms`.
  auto draw = [&](std::uint32_t ms) {
    clock.Set(ms);
    RecordingGl recording;
    sparks.DrawSparks();
    return recording.calls;
  };
  auto named = [](const std::vector<GlCall>& calls, const std::string& name) {
    std::vector<GlCall> found;
    for (const GlCall& call : calls) {
      if (call.name == name) found.push_back(call);
    }
    return found;
  };
  {
    const std::vector<GlCall> half = draw(500);
    std::vector<std::string> texts;
    for (const GlCall& call : half) {
      const bool numbers = call.name == "glColor3f" || call.name == "glVertex3f";
      texts.push_back(numbers ? call.name : call.Text());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "glDisable(" + std::to_string(GL_TEXTURE_2D) + ")",
                         "glBegin(" + std::to_string(GL_POINTS) + ")", "glColor3f", "glVertex3f",
                         "glEnd()", "glEnable(" + std::to_string(GL_TEXTURE_2D) + ")"}));
    ExpectNumbers(named(half, "glColor3f").at(0), {0.5, 0.25, 0.25}, 1e-6);
    ExpectNumbers(named(half, "glVertex3f").at(0), {1, 2, 5.5}, 1e-5);
  }
  EXPECT_EQ(sparks.ActiveCount(), 1);
  ExpectNumbers(named(draw(1000), "glColor3f").at(0), {0, 0, 0}, 1e-6);
  EXPECT_EQ(sparks.ActiveCount(), 1);
  const std::vector<GlCall> last = draw(1010);
  EXPECT_EQ(named(last, "glVertex3f").size(), 1u);
  ExpectNumbers(named(last, "glColor3f").at(0), {-0.01, -0.005, -0.005}, 1e-6);
  EXPECT_EQ(sparks.ActiveCount(), 0);
  const std::vector<GlCall> gone = draw(1030);
  EXPECT_TRUE(named(gone, "glVertex3f").empty());
  EXPECT_EQ(named(gone, "glEnd").size(), 1u);  // the batch is still opened and closed
}

// ---- Phaser flares ----

TEST(PhaserFlares, AtMostSixtyThreeAFrameDrawnLastFirstThenCleared) {
  const Mesh quad = Quad();
  PhaserFlarePool flares;
  flares.SetMesh(&quad);
  SaverRandom().Seed(3);
  RandomGenerator expected;
  expected.Seed(3);
  for (int i = 0; i < 70; ++i) {
    flares.Add(Vector3(0, 0, -1), Vector3(i, 1, 2));
  }
  EXPECT_EQ(flares.LastUsed(), 62);
  const BillboardInstance& first = flares.Flare(0);
  EXPECT_EQ(first.mesh, &quad);
  EXPECT_EQ(first.placement[0], 0);
  EXPECT_EQ(first.placement[2], 2);
  EXPECT_EQ(first.scale, (std::array<float, 3>{2.5f, 2.5f, 2.5f}));
  EXPECT_NEAR(first.yaw, 180, 1e-3);  // facing along the view vector, -z
  EXPECT_EQ(first.roll, static_cast<float>(RandomRange(expected, 0, 360)));
  EXPECT_EQ(flares.Flare(1).roll, static_cast<float>(RandomRange(expected, 0, 360)));

  TextureNamePool names;
  {
    RecordingGl recording;
    flares.DrawAndClear({}, names);
    EXPECT_EQ(recording.Count("glDrawElements"), 63);
    const auto moves = recording.Named("glMultMatrixf");
    ASSERT_EQ(moves.size(), 63u);
    const std::array<double, 16> last = testing::MatrixArgs(moves.front());
    EXPECT_EQ((std::array<double, 3>{last[12], last[13], last[14]}),
              (std::array<double, 3>{62, 1, 2}));
    EXPECT_EQ(testing::MatrixArgs(moves.back())[12], 0);
    EXPECT_NEAR(std::hypot(last[0], last[1], last[2]), 2.5, 1e-6);
    // Bound once for the whole batch, before the first draw.
    const auto calls = recording.Names();
    EXPECT_LT(std::find(calls.begin(), calls.end(), "glBindTexture"),
              std::find(calls.begin(), calls.end(), "glDrawElements"));
  }
  EXPECT_EQ(flares.LastUsed(), -1);
  {
    RecordingGl recording;
    flares.DrawAndClear({}, names);
    EXPECT_EQ(recording.Count("glDrawElements"), 0);
  }
  flares.Add(Vector3(0, 0, 1), Vector3(0, 0, 0));
  EXPECT_EQ(flares.LastUsed(), 0);
}

TEST(PhaserFlares, StartUpGivesThePoolTheUniversalBillboard) {
  TempFolder folder;
  testing::WriteMinimalInstallation(folder);
  StartupLog log(folder.WithSeparator());
  log.Create();
  SceneAssets assets;
  ASSERT_TRUE(
      LoadAssociatedFiles({folder.WithSeparator(), false, 640, 480}, log, nullptr, &assets));
  assets.phaserFlares.Add(Vector3(0, 0, 1), Vector3(0, 0, 0));
  EXPECT_EQ(assets.phaserFlares.Flare(0).mesh, &assets.uniBillboard.meshes.front());
}

}  // namespace
}  // namespace ironwood
