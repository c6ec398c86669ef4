#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "glapi/gl_table.h"
#include "platform/headless/manual_clock.h"
#include "saver/assets/ase_model.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/battle/ship_death.h"
#include "saver/core/random.h"
#include "tests/render/render_support.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 200;
constexpr int kHeight = 150;
constexpr float kBackground[3] = {0.02f, 0.03f, 0.08f};

// The generated installation folder: $IRONWOOD_INSTALLATION, else build/<preset>/installation.
fs::path GeneratedInstallation() {
  const char* fromEnvironment = std::getenv("IRONWOOD_INSTALLATION");
  if (fromEnvironment != nullptr) return fromEnvironment;
  return fs::path(IRONWOOD_RENDER_OUTPUT_DIR).parent_path().parent_path() / "installation";
}

PluginTexture Grey() {
  return {2, 2, false, std::vector<std::uint8_t>(12, 0x80)};
}

// A class of shield radius 2.5: one small hull triangle, nothing else of note.
PluginFile SmallClass() {
  PluginFile f;
  f.flight = {30, 0.5f, 40, 30, 0.75f, 20};
  f.textures = {Grey(), Grey()};
  PluginMesh triangle;
  triangle.vertices = {{{0, 0, 1}, {0, 1, 0}, {0, 0}},
                       {{1, 0, -1}, {0, 1, 0}, {1, 0}},
                       {{-1, 0, -1}, {0, 1, 0}, {0, 1}}};
  triangle.triangles = {{0, 1, 2}};
  f.meshes = {triangle};
  f.shieldAxes = {2.5f, 1.5f, 1.5f};
  f.shieldStrength = 80;
  f.shield = {Grey(), Grey(), triangle};
  return f;
}

std::array<int, 3> PixelAt(const testing::Image& image, int x, int yFromTop) {
  const std::size_t at = (static_cast<std::size_t>(yFromTop) * image.width + x) * 3;
  return {image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

int Brightness(const std::array<int, 3>& rgb) {
  return rgb[0] + rgb[1] + rgb[2];
}

// A dying ship at the origin drawn with the generated installation's billboard and images, in
// the state the frame's effect passes leave: blending on, culling off, no depth writes. Made
// after the scene, so that its textures give their names back before the scene's pool goes.
struct DyingShip {
  bool Prepare(const std::string& folder, testing::RenderScene& scene) {
    if (!LoadAse(folder + "UniBillboard.ase", folder, false, true, &billboard)) return false;
    if (billboard.meshes.empty()) return false;
    explosions.LoadDeathImages(folder);
    if (explosions.shockWave().width() == 0 || explosions.explosionFlare().width() == 0) {
      return false;
    }
    if (!shipClass.Build(SmallClass(), scene.Names(), 0, false)) return false;
    // A ship that shows a shock wave, its disc turned well away from the view.
    SaverRandom().Seed(11);
    for (int tries = 0; tries < 100; ++tries) {
      if (!ship.Create(shipClass, {}, false)) return false;
      if (ship.ShockWaveWanted()) break;
    }
    if (!ship.ShockWaveWanted()) return false;
    ship.AddDamage(150, -1);
    effects.explosions = &explosions;
    effects.uniBillboard = &billboard.meshes.front();
    effects.caps = scene.Caps();
    effects.textures = &scene.Names();
    return true;
  }

  AseModel billboard;
  ExplosionSystem explosions;
  ShipClass shipClass;
  Ship ship;
  BattleEffects effects;
};

void BeginFrame(float distance, float tilt) {
  gl.glClearColor(kBackground[0], kBackground[1], kBackground[2], 0);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glLoadIdentity();
  gl.glTranslatef(0, 0, -distance);
  gl.glRotatef(tilt, 1, 0, 0);
  gl.glEnable(GL_BLEND);
  gl.glDisable(GL_CULL_FACE);
  gl.glDepthMask(GL_FALSE);
}

void EndFrame() {
  gl.glEnable(GL_DEPTH_TEST);
  gl.glEnable(GL_CULL_FACE);
  gl.glDisable(GL_BLEND);
  gl.glDepthMask(GL_TRUE);
  gl.glColor4f(1, 1, 1, 1);
  EXPECT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

class DeathRender : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = GeneratedInstallation().string() + "/";
    for (const char* file : {"Gfx/ShockWaveColor.bmp", "Gfx/explosionflarecolor.bmp",
                             "UniBillboard.ase"}) {
      if (!fs::exists(folder_ + file)) GTEST_SKIP() << "no generated " << file << " in " << folder_;
    }
  }

  std::string folder_;
  platform::ManualClock clock_{1000};
};

// 600 ms into the break-up the disc is a ring some 18 units across, seen from 60 units away and
// from above: bright thin rim, clear middle, nothing outside.
TEST_F(DeathRender, ShockWaveAt600Milliseconds) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  platform::ScopedClock scoped(clock_);
  DyingShip dying;
  ASSERT_TRUE(dying.Prepare(folder_, scene));
  bool bound = false;
  BeginFrame(60, 25);
  DrawShockWave(dying.ship, bound, dying.effects);  // sets the disc up, at scale 0
  EndFrame();
  const BillboardInstance& wave = dying.ship.ShockWave();
  std::printf("shock-wave axis (%.3f, %.3f, %.3f): pitch %.1f, yaw %.1f\n", wave.direction.x(),
              wave.direction.y(), wave.direction.z(), wave.pitch, wave.yaw);

  clock_.Advance(600);
  bound = false;
  BeginFrame(60, 25);
  DrawShockWave(dying.ship, bound, dying.effects);
  EndFrame();
  const testing::Image image = scene.Capture();
  EXPECT_TRUE(testing::MatchesGolden(image, "death_shock_wave_600ms"));

  const int background = Brightness(PixelAt(image, 2, 2));
  EXPECT_LE(Brightness(PixelAt(image, kWidth / 2, kHeight / 2)), background + 30)
      << "the middle of the ring is clear";
  int brightest = 0;
  for (int x = 0; x < kWidth; ++x) {
    brightest = std::max(brightest, Brightness(PixelAt(image, x, kHeight / 2)));
  }
  EXPECT_GT(brightest, background + 300) << "a bright rim crosses the middle row";
}

// The flash at its peak, 250 ms after the break-up, facing the eye 100 units away: twice as wide
// as tall, white at the heart, the corners untouched.
TEST_F(DeathRender, DeathFlareAtItsPeak) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  platform::ScopedClock scoped(clock_);
  DyingShip dying;
  ASSERT_TRUE(dying.Prepare(folder_, scene));
  bool bound = false;
  BeginFrame(100, 0);
  gl.glDisable(GL_DEPTH_TEST);
  DeathFlare(dying.ship, bound, dying.effects);  // k = 0: nothing to see yet
  EndFrame();

  clock_.Advance(250);
  bound = false;
  BeginFrame(100, 0);
  gl.glDisable(GL_DEPTH_TEST);
  DeathFlare(dying.ship, bound, dying.effects);
  EndFrame();
  const testing::Image image = scene.Capture();
  EXPECT_TRUE(testing::MatchesGolden(image, "death_flare_250ms"));
  EXPECT_TRUE(dying.ship.HullPresent());  // the burst comes just after

  const auto heart = PixelAt(image, kWidth / 2, kHeight / 2);
  EXPECT_GT(Brightness(heart), 3 * 200);  // white at opacity sin 1
  EXPECT_LE(std::abs(Brightness(PixelAt(image, 1, 1)) -
                     static_cast<int>(255 * (kBackground[0] + kBackground[1] + kBackground[2]))),
            6);
  // Wider than tall: 40 pixels out sideways is brighter than 40 pixels out upwards.
  EXPECT_GT(Brightness(PixelAt(image, kWidth / 2 + 40, kHeight / 2)) +
                Brightness(PixelAt(image, kWidth / 2 - 40, kHeight / 2)),
            Brightness(PixelAt(image, kWidth / 2, kHeight / 2 - 40)) +
                Brightness(PixelAt(image, kWidth / 2, kHeight / 2 + 40)));
}

}  // namespace
}  // namespace ironwood
