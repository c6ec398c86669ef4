#include "saver/effects/debris.h"

#include "glapi/gl_table.h"
#include "platform/clock.h"
#include "saver/assets/texture.h"
#include "saver/core/random.h"
#include "saver/effects/explosions.h"

namespace ironwood {

bool DebrisSystem::InitDebris(const std::string& installation, std::string* why) {
  pool_.Reset(kInitialPool);
  AseModel model;
  if (!LoadAse(installation + "Debris.ase", installation, true, true, &model, why)) return false;
  // A fragment is spawned with one of these meshes; without any there is nothing to throw.
  if (model.meshes.empty()) {
    // Why every object was lost is in the model's problem lines, which the caller logs.
    model_.problems = std::move(model.problems);
    *why = installation + "Debris.ase holds no usable object";
    return false;
  }
  model_ = std::move(model);
  return true;
}

namespace {

// The first free slot, or the first new one of a grown pool; null when the pool cannot grow.
template <typename T>
T* SlotForSpawn(EffectPool<T>& pool, std::size_t growth) {
  if (T* slot = pool.FirstFree()) return slot;
  const std::size_t firstNew = pool.size();
  if (!pool.Grow(growth)) return nullptr;
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

void DebrisSystem::UpdateDebris(ExplosionSystem& explosions, const Mesh* puffMesh) {
  for (DebrisFragment& fragment : pool_) {
    if (!fragment.active) continue;
    const std::uint32_t now = platform::TimeMilliseconds();
    if (now - fragment.spawnTime > kLifeMilliseconds) {
      pool_.Free(fragment);
      continue;
    }
    const double dt = static_cast<double>(now - fragment.lastUpdate);
    const double step = kSpeed * dt / 1000.0;
    fragment.placement[0] += static_cast<float>(fragment.direction.x() * step);
    fragment.placement[1] += static_cast<float>(fragment.direction.y() * step);
    fragment.placement[2] += static_cast<float>(fragment.direction.z() * step);
    // A new tumbling rate at every update keeps the wreckage from spinning like clockwork.
    fragment.rotX += static_cast<float>(RandomRange(180, 360) * dt / 1000.0);
    // Four puffs in ten each 16 ms, however the frames fall.
    for (int due = fragment.puffChances.Due(now); due > 0; --due) {
      if (RandomRange(0, 10) > 5) {
        explosions.SpawnExplosion(puffMesh, fragment.placement, {1, 1, 1}, {}, 0);
      }
    }
    fragment.lastUpdate = now;
  }
}

void DebrisSystem::DrawDebris(const MeshDrawCaps& caps, TextureNamePool& pool) {
  bool unitSelected = false;  // unit 0, once, before the first fragment's image
  for (const DebrisFragment& fragment : pool_) {
    if (!fragment.active || fragment.mesh == nullptr) continue;
    const Mesh& mesh = *fragment.mesh;
    SetMeshArrays(mesh, caps);
    if (!unitSelected && caps.multitexture && gl.glActiveTextureARB != nullptr) {
      gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    unitSelected = true;
    if (mesh.texture != nullptr) mesh.texture->Bind(pool);
    const auto& p = fragment.placement;
    DrawElementsAt(
        mesh, PlacementMatrix({p[0], p[1], p[2], fragment.rotX, fragment.rotY, fragment.rotZ}));
  }
}

const Mesh* DebrisSystem::MeshAt(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= model_.meshes.size()) return nullptr;
  return &model_.meshes[static_cast<std::size_t>(i)];
}

int DebrisSystem::ActiveCount() const {
  return pool_.ActiveCount();
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

void SparkSystem::DrawSparks() {
  gl.glDisable(GL_TEXTURE_2D);
  gl.glBegin(GL_POINTS);
  for (Spark& spark : pool_) {
    if (!spark.active) continue;
    const std::uint32_t now = platform::TimeMilliseconds();
    const float b = 1.0f - static_cast<float>(now - spark.spawnTime) / 1000.0f;
    // The spark's last point is still drawn, faded just past black.
    if (b < 0) pool_.Free(spark);
    gl.glColor3f(b, b / 2, b / 2);
    const double travelled = 5.0 * (1.0 - static_cast<double>(b));
    gl.glVertex3f(spark.placement[0] + static_cast<float>(spark.direction.x() * travelled),
                  spark.placement[1] + static_cast<float>(spark.direction.y() * travelled),
                  spark.placement[2] + static_cast<float>(spark.direction.z() * travelled));
  }
  gl.glEnd();
  gl.glEnable(GL_TEXTURE_2D);
}

int SparkSystem::ActiveCount() const {
  return pool_.ActiveCount();
}

}  // namespace ironwood
