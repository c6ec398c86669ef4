#pragma once

// Wreckage and sparks: pools of fragments (meshes of "Debris.ase") that fly out of a destroyed
// ship, tumble and trail explosion puffs for five seconds, and of spark points that fly out of
// an impact and fade from orange-red to black in one second. Both pools grow on demand and never
// shrink.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "saver/assets/ase_model.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/core/chance_clock.h"
#include "saver/core/vector3.h"
#include "saver/effects/billboard.h"
#include "saver/effects/effect_pool.h"

namespace ironwood {

class ExplosionSystem;

struct DebrisFragment {
  EffectPlacement placement{};  // position first; the rest is carried along
  Vector3 direction;
  float rotX = 0, rotY = 0, rotZ = 0;  // degrees; only rotX tumbles
  std::uint32_t spawnTime = 0;
  std::uint32_t lastUpdate = 0;
  const Mesh* mesh = nullptr;
  bool active = false;
  ChanceClock puffChances;
};

struct Spark {
  EffectPlacement placement{};
  std::uint32_t spawnTime = 0;
  Vector3 direction;
  bool active = false;
};

class DebrisSystem {
 public:
  static constexpr int kInitialPool = 20;
  static constexpr int kPoolGrowth = 10;
  static constexpr std::uint32_t kLifeMilliseconds = 5000;
  static constexpr double kSpeed = 11.0;  // units per second

  // The pool and the fragment models from installation + "Debris.ase" (with materials). False
  // when the file cannot be read or holds no usable object.
  bool InitDebris(const std::string& installation, std::string* why);

  // A fragment of `mesh` at `placement`, flying along `direction` (normalised here). The first
  // free slot takes it; with none free the pool grows by 10 and the first new slot takes it. A
  // pool that cannot grow drops the fragment and stays as it was.
  void SpawnDebris(const EffectPlacement& placement, Vector3 direction, const Mesh* mesh);

  // Once a frame: fragments older than five seconds go; the others move on at 11 units a
  // second, tumble, and 4 times in 10 leave a puff on `puffMesh` in the explosion pool.
  void UpdateDebris(ExplosionSystem& explosions, const Mesh* puffMesh);
  // Each live fragment with its mesh's own texture.
  void DrawDebris(const MeshDrawCaps& caps, TextureNamePool& pool);

  int MeshCount() const { return static_cast<int>(model_.meshes.size()); }
  const Mesh* MeshAt(int i) const;
  const AseModel& model() const { return model_; }
  const std::vector<DebrisFragment>& pool() const { return pool_.slots(); }
  int ActiveCount() const;

 private:
  AseModel model_;
  EffectPool<DebrisFragment> pool_;
};

class SparkSystem {
 public:
  static constexpr int kInitialPool = 90;
  static constexpr int kPoolGrowth = 20;

  bool InitSparks() {
    pool_.Reset(kInitialPool);
    return true;
  }

  // A spark starting at `placement` and flying along `direction` (normalised here); the pool
  // grows by 20 as the debris pool grows by 10.
  void SpawnSpark(const EffectPlacement& placement, Vector3 direction);
  // Every live spark as one batch of points: orange-red fading to black as it flies 5 units in
  // its second of life.
  void DrawSparks();

  const std::vector<Spark>& pool() const { return pool_.slots(); }
  int ActiveCount() const;

 private:
  EffectPool<Spark> pool_;
};

}  // namespace ironwood
