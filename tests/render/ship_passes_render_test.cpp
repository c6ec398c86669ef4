#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "glapi/gl_table.h"
#include "platform/headless/manual_clock.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/core/vector3.h"
#include "saver/render/ship_passes.h"
#include "tests/render/render_support.h"

namespace ironwood {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// The generated installation folder: $IRONWOOD_INSTALLATION, else build/<preset>/installation.
std::filesystem::path GeneratedInstallation() {
  const char* fromEnvironment = std::getenv("IRONWOOD_INSTALLATION");
  if (fromEnvironment != nullptr) return fromEnvironment;
  return std::filesystem::path(IRONWOOD_RENDER_OUTPUT_DIR).parent_path().parent_path() /
         "installation";
}

// A model-space point turned by a column-major matrix (no translation in ship matrices).
Vector3 Turn(const std::array<double, 16>& m, const Vector3& p) {
  return Vector3(m[0] * p.x() + m[4] * p.y() + m[8] * p.z(),
                 m[1] * p.x() + m[5] * p.y() + m[9] * p.z(),
                 m[2] * p.x() + m[6] * p.y() + m[10] * p.z());
}

// A ship of `shipClass` held at a place and attitude: the flight model is given the angles and,
// with the clock standing still, hands them on unchanged.
void Place(Ship& ship, const ShipClass& shipClass, const Vector3& at, double heading,
           double pitch, double roll) {
  ASSERT_TRUE(ship.Create(shipClass,
                          {static_cast<float>(at.x()), static_cast<float>(at.y()),
                           static_cast<float>(at.z()), 0, 0, 0, 0, 0, 0},
                          false));
  ship.Flight().heading = heading;
  ship.Flight().pitch = pitch;
  ship.Flight().roll = roll;
  ship.Update(Vector3(0, 0, 0));  // the eye at the origin, looking down -z
  ASSERT_TRUE(ship.IsVisible());
}

void Clear() {
  gl.glClearColor(0.02f, 0.02f, 0.06f, 0.0f);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glLoadIdentity();
}

class ShipPassesRender : public ::testing::Test {
 protected:
  ShipPassesRender() : scoped_(clock_) {}

  // The class from the generated installation; null (and the test skipped) without one.
  std::unique_ptr<ShipClass> LoadClass(testing::RenderScene& scene, const std::string& name) {
    const std::filesystem::path path = GeneratedInstallation() / "Plugins" / (name + ".as3");
    if (!std::filesystem::exists(path)) return nullptr;
    std::string why;
    auto loaded = LoadShipClass(path.string(), scene.Names(), 0, false, &why);
    EXPECT_NE(loaded, nullptr) << why;
    return loaded;
  }

  platform::ManualClock clock_{20000};
  platform::ScopedClock scoped_;
};

// Two ships of one class side by side, the right one with its largest section shot up: the
// damage image's opaque parts cut holes into that section.
TEST_F(ShipPassesRender, ShotUpSectionShowsItsDamage) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  auto shipClass = LoadClass(scene, "Albatross");
  if (shipClass == nullptr) GTEST_SKIP() << "no generated plug-ins";

  int largest = 0;
  for (int k = 0; k < shipClass->meshCount(); ++k) {
    if (shipClass->mesh(k).faceCount > shipClass->mesh(largest).faceCount) largest = k;
  }
  const Texture* damage = shipClass->mesh(largest).secondTexture;
  ASSERT_NE(damage, nullptr);
  ASSERT_TRUE(damage->HasAlpha()) << "the largest section has no damage image with opacity";

  const double r = std::max({shipClass->shieldAxisX(), shipClass->shieldAxisY(),
                             shipClass->shieldAxisZ()});
  std::array<Ship, 2> ships;
  Place(ships[0], *shipClass, Vector3(-1.1 * r, 0, -5.6 * r), 125, -30, 10);
  Place(ships[1], *shipClass, Vector3(1.1 * r, 0, -5.6 * r), 125, -30, 10);
  ships[1].AddDamage(1.0f, largest);
  Ship* list[] = {&ships[0], &ships[1]};
  shipClass->SetShips(list);
  shipClass->SetShipCount(2);

  Clear();
  HullPass(*shipClass, scene.Caps(), scene.Names());
  EXPECT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const testing::Image image = scene.Capture();
  EXPECT_TRUE(testing::MatchesGolden(image, "ship_passes_damaged_section"));
  shipClass->SetShips(nullptr);
}

// The frame's order for ships and beams: hulls, then with blending on and depth writes off the
// beam, then the shield with the client arrays off.
void DrawFrame(testing::RenderScene& scene, ShipClass& shooterClass, Ship& shooter,
               ShipClass& targetClass) {
  Clear();
  HullPass(shooterClass, scene.Caps(), scene.Names());
  HullPass(targetClass, scene.Caps(), scene.Names());
  gl.glEnable(GL_BLEND);
  gl.glDisable(GL_CULL_FACE);
  gl.glDepthMask(GL_FALSE);
  if (PhaserPassSetup(shooterClass, scene.Caps(), scene.Names())) {
    for (const WeaponState& phaser : shooter.Phasers()) DrawPhaserBeam(shooter, phaser, 0.3f);
  }
  gl.glDisableClientState(GL_NORMAL_ARRAY);
  gl.glDisableClientState(GL_VERTEX_ARRAY);
  gl.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  ShieldPassForClass(targetClass, scene.Caps(), scene.Names());
  gl.glEnableClientState(GL_NORMAL_ARRAY);
  gl.glEnableClientState(GL_VERTEX_ARRAY);
  gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  gl.glColor4f(1, 1, 1, 1);
  gl.glEnable(GL_CULL_FACE);
  gl.glDisable(GL_BLEND);
  gl.glDepthMask(GL_TRUE);
}

// One phaser of the shooter aimed by hand at `hit` (world space), as the fire control aims it.
void AimPhaser(Ship& shooter, WeaponState& phaser, const Vector3& hit) {
  const Vector3 offset =
      Turn(shooter.OrientationMatrix(),
           Vector3(phaser.mount->position[0], phaser.mount->position[1], phaser.mount->position[2]));
  phaser.mountWorldOffset = {static_cast<float>(offset.x()), static_cast<float>(offset.y()),
                             static_cast<float>(offset.z())};
  const Vector3 muzzle = shooter.Position().Add(offset);
  Vector3 beam = hit.Subtract(muzzle);
  phaser.beamLength = static_cast<float>(beam.Length());
  DirectionToAngles(beam, phaser.beamPitch, phaser.beamYaw);
  phaser.firing = true;
  phaser.beamOpacity = 1.0f;
}

Vector3 Muzzle(Ship& ship, const WeaponState& phaser) {
  const Vector3 offset =
      Turn(ship.OrientationMatrix(),
           Vector3(phaser.mount->position[0], phaser.mount->position[1], phaser.mount->position[2]));
  return ship.Position().Add(offset);
}

// A beam from one ship's phaser hitting the other's shield, which lights up round the hit; then
// the same with the shield down, the beam ending on the hull vertex nearest the muzzle.
TEST_F(ShipPassesRender, PhaserBeamHitsTheShieldThenTheHull) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  auto shooterClass = LoadClass(scene, "Heron");
  auto targetClass = LoadClass(scene, "Cinder");
  if (shooterClass == nullptr || targetClass == nullptr) GTEST_SKIP() << "no generated plug-ins";
  ASSERT_GT(shooterClass->phaserMountCount(), 0);

  Ship shooter, target;
  // Side by side, far enough apart for the beam to show and near enough to fill the picture.
  const double r1 = std::max({shooterClass->shieldAxisX(), shooterClass->shieldAxisY(),
                              shooterClass->shieldAxisZ()});
  const double r2 = std::max({targetClass->shieldAxisX(), targetClass->shieldAxisY(),
                              targetClass->shieldAxisZ()});
  const double half = 0.9 * (r1 + r2);
  const double depth = (half + std::max(r1, r2)) / 0.4;
  std::printf("radii %.2f %.2f, centres %.2f apart at depth %.2f\n", r1, r2, 2 * half, depth);
  Place(shooter, *shooterClass, Vector3(-half, -0.1 * half, -depth), 70, -10, -15);
  Place(target, *targetClass, Vector3(half, 0.1 * half, -depth - 0.2 * half), 200, 15, 20);
  Ship* shooters[] = {&shooter};
  Ship* targets[] = {&target};
  shooterClass->SetShips(shooters);
  shooterClass->SetShipCount(1);
  targetClass->SetShips(targets);
  targetClass->SetShipCount(1);

  // The phaser whose muzzle is nearest the target fires.
  std::size_t firing = 0;
  double nearest = std::numeric_limits<double>::max();
  for (std::size_t i = 0; i < shooter.Phasers().size(); ++i) {
    Vector3 d = target.Position().Subtract(Muzzle(shooter, shooter.Phasers()[i]));
    if (d.Length() < nearest) {
      nearest = d.Length();
      firing = i;
    }
  }
  WeaponState& phaser = shooter.Phasers()[firing];
  const Vector3 muzzle = Muzzle(shooter, phaser);

  // Shield up: the point where the line from the target's centre towards the muzzle leaves it.
  const Vector3 towards = Turn(target.InverseOrientationMatrix(),
                               muzzle.Subtract(target.Position()));
  const Vector3 shieldPoint = target.Shield().Point(towards);
  ASSERT_GT(Vector3(shieldPoint).Length(), 0.0);
  target.Shield().Glow(shieldPoint, 0.0f);
  target.Shield().glowing = true;  // the hit came in this frame, before the shield pass
  AimPhaser(shooter, phaser, target.Position().Add(Turn(target.OrientationMatrix(), shieldPoint)));

  DrawFrame(scene, *shooterClass, shooter, *targetClass);
  EXPECT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_TRUE(testing::MatchesGolden(scene.Capture(), "ship_passes_beam_on_shield"));

  // Shield down: the nearest hull vertex of the target takes the beam.
  target.Shield().strength = 0;
  std::fill(target.Shield().colours.begin(), target.Shield().colours.end(), 0.0f);
  target.Shield().glowing = false;
  ASSERT_EQ(Vector3(target.Shield().Point(towards)).Length(), 0.0);
  Vector3 hullHit;
  nearest = std::numeric_limits<double>::max();
  for (const Mesh& mesh : targetClass->meshes()) {
    for (std::size_t v = 0; v + 2 < mesh.positions.size(); v += 3) {
      const Vector3 world = target.Position().Add(Turn(
          target.OrientationMatrix(),
          Vector3(mesh.positions[v], mesh.positions[v + 1], mesh.positions[v + 2])));
      Vector3 d = world.Subtract(muzzle);
      if (d.Length() < nearest) {
        nearest = d.Length();
        hullHit = world;
      }
    }
  }
  AimPhaser(shooter, phaser, hullHit);
  DrawFrame(scene, *shooterClass, shooter, *targetClass);
  EXPECT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_TRUE(testing::MatchesGolden(scene.Capture(), "ship_passes_beam_on_hull"));

  shooterClass->SetShips(nullptr);
  targetClass->SetShips(nullptr);
}

}  // namespace
}  // namespace ironwood
