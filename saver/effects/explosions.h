#pragma once

// Explosion sprites and the dying ship's billboards: the 32 animation images with the pool of
// explosions that plays them, and the shock-wave and explosion-flare images.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "saver/assets/mesh.h"
#include "saver/assets/texture.h"
#include "saver/core/vector3.h"

namespace ironwood {

// A mesh placed with its own orientation and scale.
struct BillboardInstance {
  const Mesh* mesh = nullptr;
  Vector3 direction;                  // where the mesh's +z axis is turned
  std::array<float, 9> placement{};   // position first; the rest is carried along
  float pitch = 0, yaw = 0, roll = 0;  // degrees
  std::array<float, 3> scale{};
  std::array<float, 6> extra{};
};

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

  // The 32 images ("Gfx" "Explosion01Color.bmp" with "Explosion01Alpha.bmp" ... 32) and the
  // pool. On any failure nothing stays loaded and `why` says which image.
  bool LoadExplosionMaps(const std::string& installation, std::string* why);
  // The shock-wave and explosion-flare pairs; the saver draws on without them.
  void LoadDeathImages(const std::string& installation);

  bool loaded() const { return !frames_.empty(); }
  Texture& frame(int index) { return frames_.at(static_cast<std::size_t>(index)); }
  Texture& shockWave() { return shockWave_; }
  Texture& explosionFlare() { return explosionFlare_; }
  const std::vector<Explosion>& pool() const { return pool_; }

 private:
  std::vector<Texture> frames_;
  std::vector<Explosion> pool_;
  Texture shockWave_;
  Texture explosionFlare_;
};

}  // namespace ironwood
