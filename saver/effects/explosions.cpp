#include "saver/effects/explosions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "glapi/gl_table.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "saver/core/random.h"

namespace ironwood {

bool ExplosionSystem::LoadExplosionMaps(const std::string& installation, std::string* why) {
  std::vector<Texture> frames(kFrameCount);
  for (int k = 0; k < kFrameCount; ++k) {
    char colour[32], opacity[32];
    std::snprintf(colour, sizeof colour, "Explosion%02dColor.bmp", k + 1);
    std::snprintf(opacity, sizeof opacity, "Explosion%02dAlpha.bmp", k + 1);
    if (!frames[k].LoadBmp(true, platform::InstallationFile(installation, "Gfx", colour),
                           platform::InstallationFile(installation, "Gfx", opacity), why)) {
      return false;
    }
  }
  frames_ = std::move(frames);
  pool_.Reset(kInitialPool);
  return true;
}

void ExplosionSystem::LoadDeathImages(const std::string& installation) {
  auto file = [&](const char* name) {
    return platform::InstallationFile(installation, "Gfx", name);
  };
  explosionFlare_.LoadBmp(true, file("explosionflarecolor.bmp"), file("explosionflareopacity.bmp"));
  shockWave_.LoadBmp(true, file("ShockWaveColor.bmp"), file("ShockWaveOpacity.bmp"));
}

void ExplosionSystem::SpawnExplosion(const Mesh* mesh, const EffectPlacement& placement,
                                     const std::array<float, 3>& scale,
                                     const std::array<float, 6>& extra,
                                     std::uint32_t startFrame) {
  Explosion* slot = pool_.FirstFree();
  if (slot == nullptr) {
    // This one is not shown; the grown pool has room for the next.
    pool_.Grow(kPoolGrowth);
    return;
  }
  slot->billboard = BillboardInstance{};
  slot->billboard.mesh = mesh;
  slot->billboard.placement = placement;
  slot->billboard.scale = scale;
  slot->billboard.extra = extra;
  slot->startFrame = startFrame;
  slot->spawnTime = platform::TimeMilliseconds();
  slot->active = true;
  // Every explosion turns its own way in the view plane.
  slot->billboard.roll = static_cast<float>(RandomRange(0, 360));
}

void ExplosionSystem::DrawExplosions(const std::array<float, 3>& eyeOffset,
                                     const MeshDrawCaps& caps, TextureNamePool& pool,
                                     const ViewVolume& view) {
  const std::uint32_t now = platform::TimeMilliseconds();
  // Unit 0 is selected and an image bound only when it differs from the one bound before.
  bool unitSelected = false;
  std::uint32_t bound = kFrameCount;
  BillboardRun run(caps);
  // The reach of the mesh last asked about: the explosions share a few meshes.
  const Mesh* reachOf = nullptr;
  double reach = 0;
  for (Explosion& explosion : pool_) {
    if (!explosion.active) continue;
    // Unsigned throughout: the elapsed time survives the clock's wrap, and a start frame past
    // the last image ends the explosion at once.
    const std::uint32_t elapsed = now - explosion.spawnTime;
    const std::uint32_t frame =
        static_cast<std::uint32_t>(static_cast<double>(elapsed) / kMillisecondsPerImage) +
        explosion.startFrame;
    if (frame >= static_cast<std::uint32_t>(kFrameCount)) {
      pool_.Free(explosion);
      continue;
    }
    // Without its images an explosion still runs its course but has nothing to show.
    if (frame >= frames_.size()) continue;
    const BillboardInstance& billboard = explosion.billboard;
    if (billboard.mesh != reachOf && billboard.mesh != nullptr) {
      reachOf = billboard.mesh;
      reach = MeshReach(*billboard.mesh);
    }
    const auto& s = billboard.scale;
    const double scale = std::max({std::fabs(s[0]), std::fabs(s[1]), std::fabs(s[2])});
    const auto& p = billboard.placement;
    if (!view.MayShow(Vector3(p[0], p[1], p[2]), reach * scale * 1.01 + 0.01)) continue;
    if (!unitSelected && caps.multitexture && gl.glActiveTextureARB != nullptr) {
      gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    unitSelected = true;
    if (frame != bound) frames_[frame].Bind(pool);
    bound = frame;
    FaceEye(explosion.billboard, eyeOffset);
    run.Draw(explosion.billboard, true);
  }
}

int ExplosionSystem::ActiveCount() const {
  return pool_.ActiveCount();
}

}  // namespace ironwood
