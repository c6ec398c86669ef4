#pragma once

// Wreckage and sparks: pools of fragments (meshes of "Debris.ase") and of spark points.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "saver/assets/ase_model.h"
#include "saver/core/vector3.h"

namespace ironwood {

struct DebrisFragment {
  std::array<float, 9> placement{};  // position first; the rest is carried along
  Vector3 direction;
  float rotX = 0, rotY = 0, rotZ = 0;  // degrees
  std::uint32_t spawnTime = 0;
  std::uint32_t lastUpdate = 0;
  const Mesh* mesh = nullptr;
  bool active = false;
};

struct Spark {
  std::array<float, 9> placement{};
  std::uint32_t spawnTime = 0;
  Vector3 direction;
  bool active = false;
};

class DebrisSystem {
 public:
  static constexpr int kInitialPool = 20;

  // The pool and the fragment models from installation + "Debris.ase" (with materials). False
  // when the file cannot be read or holds no usable object.
  bool InitDebris(const std::string& installation, std::string* why);

  const AseModel& model() const { return model_; }
  const std::vector<DebrisFragment>& pool() const { return pool_; }

 private:
  AseModel model_;
  std::vector<DebrisFragment> pool_;
};

class SparkSystem {
 public:
  static constexpr int kInitialPool = 90;

  bool InitSparks() {
    pool_.assign(kInitialPool, Spark{});
    return true;
  }
  const std::vector<Spark>& pool() const { return pool_; }

 private:
  std::vector<Spark> pool_;
};

}  // namespace ironwood
