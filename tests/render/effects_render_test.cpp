#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "glapi/gl_table.h"
#include "platform/headless/manual_clock.h"
#include "saver/assets/ase_model.h"
#include "saver/core/random.h"
#include "saver/effects/debris.h"
#include "saver/effects/explosions.h"
#include "tests/render/render_support.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// The generated installation folder: $IRONWOOD_INSTALLATION, else build/<preset>/installation.
fs::path GeneratedInstallation() {
  const char* fromEnvironment = std::getenv("IRONWOOD_INSTALLATION");
  if (fromEnvironment != nullptr) return fromEnvironment;
  return fs::path(IRONWOOD_RENDER_OUTPUT_DIR).parent_path().parent_path() / "installation";
}

std::array<int, 3> PixelAt(const testing::Image& image, int x, int yFromTop) {
  const std::size_t at = (static_cast<std::size_t>(yFromTop) * image.width + x) * 3;
  return {image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

// Summed brightness of a w x h block whose top left corner is (x, y).
long Brightness(const testing::Image& image, int x, int y, int w, int h) {
  long sum = 0;
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) {
      const auto rgb = PixelAt(image, i, j);
      sum += rgb[0] + rgb[1] + rgb[2];
    }
  }
  return sum;
}

EffectPlacement At(float x, float y, float z) {
  EffectPlacement placement{};
  placement[0] = x;
  placement[1] = y;
  placement[2] = z;
  return placement;
}

// The frame's state around the effects: blending on, culling off, no depth writes.
void BeginEffects(const float background[3]) {
  gl.glClearColor(background[0], background[1], background[2], 0);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glLoadIdentity();
  gl.glColor4f(1, 1, 1, 1);
  gl.glEnable(GL_BLEND);
  gl.glDisable(GL_CULL_FACE);
}

void EndEffects() {
  gl.glColor4f(1, 1, 1, 1);
  gl.glEnable(GL_CULL_FACE);
  gl.glDisable(GL_BLEND);
  gl.glDepthMask(GL_TRUE);
}

class EffectsRender : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = GeneratedInstallation().string() + "/";
    if (!fs::exists(folder_ + "Gfx/Explosion32Alpha.bmp") || !fs::exists(folder_ + "Debris.ase")) {
      GTEST_SKIP() << "no generated installation in " << folder_;
    }
  }
  std::string folder_;
};

// Four explosions drawn together, 2 x 2 on screen, each at its own point of the sequence:
// images 2 and 10 (top), 20 and 28 (bottom).
TEST_F(EffectsRender, AnExplosionBurnsOutOverItsImages) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  ExplosionSystem explosions;
  std::string why;
  ASSERT_TRUE(explosions.LoadExplosionMaps(folder_, &why)) << why;
  AseModel billboard;
  ASSERT_TRUE(LoadAse(folder_ + "UniBillboard.ase", folder_, false, true, &billboard, &why)) << why;
  ASSERT_FALSE(billboard.meshes.empty());
  SaverRandom().Seed(17);
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);

  // Spawned so that at 1000 ms each shows its image: 1 ms into the image's 15.625.
  constexpr int kImages[] = {2, 10, 20, 28};
  constexpr float kX[] = {-2.2f, 2.2f, -2.2f, 2.2f}, kY[] = {1.65f, 1.65f, -1.65f, -1.65f};
  for (int i = 0; i < 4; ++i) {
    clock.Set(1000 - static_cast<std::uint32_t>(kImages[i] * 15.625 + 1));
    explosions.SpawnExplosion(&billboard.meshes.front(), At(kX[i], kY[i], -10), {3.3f, 3.3f, 3.3f},
                              {}, 0);
  }
  clock.Set(1000);
  const float background[] = {0.02f, 0.02f, 0.07f};
  BeginEffects(background);
  gl.glDepthMask(GL_FALSE);
  explosions.DrawExplosions({0, 0, 0}, scene.Caps(), scene.Names());
  EndEffects();
  EXPECT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(explosions.ActiveCount(), 4);
  const testing::Image image = scene.Capture();
  EXPECT_TRUE(testing::MatchesGolden(image, "explosion_sequence"));

  // Image 2 is a white-hot flash; by image 28 only embers and smoke are left.
  const auto flash = PixelAt(image, 50, 37);
  EXPECT_GT(flash[0], 230);
  EXPECT_GT(flash[1], 180);
  const long early = Brightness(image, 10, 0, 80, 75), middle = Brightness(image, 110, 0, 80, 75);
  const long late = Brightness(image, 10, 75, 80, 75), last = Brightness(image, 110, 75, 80, 75);
  EXPECT_GT(middle, late);
  EXPECT_GT(late, last);
  EXPECT_GT(early, last);
}

// Wreckage thrown out of one point for 120 ms, trailing puffs, with a spray of sparks beside it.
TEST_F(EffectsRender, DebrisTumblesOutTrailingPuffsBesideFadingSparks) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  ExplosionSystem explosions;
  DebrisSystem debris;
  SparkSystem sparks;
  std::string why;
  ASSERT_TRUE(explosions.LoadExplosionMaps(folder_, &why)) << why;
  ASSERT_TRUE(debris.InitDebris(folder_, &why)) << why;
  ASSERT_TRUE(sparks.InitSparks());
  AseModel billboard;
  ASSERT_TRUE(LoadAse(folder_ + "UniBillboard.ase", folder_, false, true, &billboard, &why)) << why;
  SaverRandom().Seed(29);
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);

  for (int i = 0; i < 10; ++i) {
    const float dx = static_cast<float>(RandomRange(0, 200) - 100) / 100.0f;
    const float dy = static_cast<float>(RandomRange(0, 200) - 100) / 100.0f;
    const float dz = static_cast<float>(RandomRange(0, 100) - 50) / 100.0f;
    debris.SpawnDebris(At(-0.6f, 0, -5), Vector3(dx, dy, dz), debris.MeshAt(i % debris.MeshCount()));
  }
  for (int i = 0; i < 40; ++i) {
    const float dx = static_cast<float>(RandomRange(0, 100)) / 100.0f;
    const float dy = static_cast<float>(RandomRange(0, 200) - 100) / 100.0f;
    const float dz = static_cast<float>(RandomRange(0, 100) - 50) / 100.0f;
    sparks.SpawnSpark(At(0.9f, -0.3f, -5), Vector3(dx + 0.2f, dy, dz));
  }
  for (std::uint32_t ms = 20; ms <= 120; ms += 20) {
    clock.Set(ms);
    debris.UpdateDebris(explosions, &billboard.meshes.front());
  }
  EXPECT_GT(explosions.ActiveCount(), 0);  // the trail

  clock.Set(150);
  const float background[] = {0.05f, 0.06f, 0.12f};
  BeginEffects(background);
  debris.DrawDebris(scene.Caps(), scene.Names());
  gl.glDepthMask(GL_FALSE);
  gl.glColor4f(1, 1, 1, 1);
  explosions.DrawExplosions({0, 0, 0}, scene.Caps(), scene.Names());
  sparks.DrawSparks();
  EndEffects();
  EXPECT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const testing::Image image = scene.Capture();
  EXPECT_TRUE(testing::MatchesGolden(image, "debris_and_sparks"));

  // Sparks 150 ms old: orange-red points, red about twice green and blue.
  int sparkPixels = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = kWidth / 2 + 20; x < kWidth; ++x) {
      const auto rgb = PixelAt(image, x, y);
      if (rgb[0] > 180 && rgb[1] > 80 && rgb[1] < 130 && rgb[2] < 130) ++sparkPixels;
    }
  }
  EXPECT_GE(sparkPixels, 10);
}

}  // namespace
}  // namespace ironwood
