#include "saver/effects/debris.h"

#include "platform/clock.h"
#include "saver/effects/effect_pool.h"

namespace ironwood {

bool DebrisSystem::InitDebris(const std::string& installation, std::string* why) {
  pool_.assign(kInitialPool, DebrisFragment{});
  AseModel model;
  if (!LoadAse(installation + "Debris.ase", installation, true, true, &model, why)) return false;
  // A fragment is spawned with one of these meshes; without any there is nothing to throw.
  if (model.meshes.empty()) {
    *why = installation + "Debris.ase holds no usable object";
    return false;
  }
  model_ = std::move(model);
  return true;
}

namespace {

// The first free slot, or the first new one of a grown pool; null when the pool cannot grow.
template <typename T>
T* SlotForSpawn(std::vector<T>& pool, std::size_t growth) {
  if (T* slot = FirstFreeSlot(pool)) return slot;
  const std::size_t firstNew = pool.size();
  if (!GrowPool(pool, growth)) return nullptr;
  return &pool[firstNew];
}

}  // namespace

void DebrisSystem::SpawnDebris(const EffectPlacement& placement, Vector3 direction,
                               const Mesh* mesh) {
  DebrisFragment* slot = SlotForSpawn(pool_, kPoolGrowth);
  if (slot == nullptr) return;
  direction.Normalize();
  *slot = DebrisFragment{};
  slot->placement = placement;
  slot->direction = direction;
  slot->spawnTime = platform::TimeMilliseconds();
  slot->lastUpdate = slot->spawnTime;
  slot->mesh = mesh;
  slot->active = true;
}

const Mesh* DebrisSystem::MeshAt(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= model_.meshes.size()) return nullptr;
  return &model_.meshes[static_cast<std::size_t>(i)];
}

int DebrisSystem::ActiveCount() const {
  return CountActive(pool_);
}

void SparkSystem::SpawnSpark(const EffectPlacement& placement, Vector3 direction) {
  Spark* slot = SlotForSpawn(pool_, kPoolGrowth);
  if (slot == nullptr) return;
  direction.Normalize();
  *slot = Spark{};
  slot->placement = placement;
  slot->direction = direction;
  slot->spawnTime = platform::TimeMilliseconds();
  slot->active = true;
}

int SparkSystem::ActiveCount() const {
  return CountActive(pool_);
}

}  // namespace ironwood
