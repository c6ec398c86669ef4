// The unit tests link the fire control, which adds flares to the pool; until the pool's own
// Add is built (tests/CMakeLists.txt looks for it) this takes its place. It fills the slots the
// way the pool's Add is to: the next slot below 63 takes the position and the view, else the
// flare is dropped.

#include "saver/effects/phaser_flare.h"

namespace ironwood {

void PhaserFlarePool::Add(const Vector3& view, const Vector3& position) {
  if (lastUsed_ + 1 >= kPerFrame) return;
  BillboardInstance& flare = flares_[static_cast<std::size_t>(++lastUsed_)];
  flare = BillboardInstance{};
  flare.mesh = mesh_;
  flare.direction = view;
  flare.placement[0] = static_cast<float>(position.x());
  flare.placement[1] = static_cast<float>(position.y());
  flare.placement[2] = static_cast<float>(position.z());
  flare.scale = {kScale, kScale, kScale};
}

}  // namespace ironwood
