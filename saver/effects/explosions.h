#pragma once

// Explosion sprites and the dying ship's billboards: the 32 animation images with the pool of
// explosions that plays them, and the shock-wave and explosion-flare images.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "saver/assets/mesh.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/core/view_volume.h"
#include "saver/effects/billboard.h"
#include "saver/effects/effect_pool.h"

namespace ironwood {

struct Explosion {
  BillboardInstance billboard;
  std::uint32_t spawnTime = 0;
  std::uint32_t startFrame = 0;
  bool active = false;
};

class ExplosionSystem {
 public:
  static constexpr int kFrameCount = 32;
  static constexpr int kInitialPool = 32;
  static constexpr int kPoolGrowth = 10;
  // 64 images a second: a whole sequence lasts 500 ms.
  static constexpr double kMillisecondsPerImage = 15.625;

  // The 32 images ("Gfx" "Explosion01Color.bmp" with "Explosion01Alpha.bmp" ... 32) and the
  // pool. On any failure nothing stays loaded and `why` says which image.
  bool LoadExplosionMaps(const std::string& installation, std::string* why);
  // The shock-wave and explosion-flare pairs; the saver draws on without them.
  void LoadDeathImages(const std::string& installation);

  // Places a new explosion in the first free slot, with its own random roll. When every slot is
  // busy the pool grows by 10 and this explosion is not shown (the next one finds a slot); a
  // pool that cannot grow stays as it was.
  void SpawnExplosion(const Mesh* mesh, const EffectPlacement& placement,
                      const std::array<float, 3>& scale, const std::array<float, 6>& extra,
                      std::uint32_t startFrame);

  // Once a frame: every live explosion shows its image for now (15.625 ms an image from its
  // start frame), facing the eye at -eyeOffset; one past the last image it is gone. One wholly
  // outside `view` runs its course without being drawn.
  void DrawExplosions(const std::array<float, 3>& eyeOffset, const MeshDrawCaps& caps,
                      TextureNamePool& pool, const ViewVolume& view = ViewVolume());

  bool loaded() const { return !frames_.empty(); }
  Texture& frame(int index) { return frames_.at(static_cast<std::size_t>(index)); }
  Texture& shockWave() { return shockWave_; }
  Texture& explosionFlare() { return explosionFlare_; }
  const std::vector<Explosion>& pool() const { return pool_.slots(); }
  int ActiveCount() const;

 private:
  std::vector<Texture> frames_;
  EffectPool<Explosion> pool_;
  Texture shockWave_;
  Texture explosionFlare_;
};

}  // namespace ironwood
