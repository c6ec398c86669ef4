#pragma once

// The glints where a phaser beam leaves its mount and where it strikes: collected during the
// frame, drawn together, then cleared.

#include <array>
#include <string>

#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/effects/billboard.h"

namespace ironwood {

class PhaserFlarePool {
 public:
  static constexpr int kSlots = 64;
  static constexpr int kPerFrame = 63;  // slots 0 to 62 are used
  static constexpr float kScale = 2.5f;

  // "Gfx" "PhaserFlareColor.bmp" with the opacity "PhaserFlare.bmp".
  bool Load(const std::string& installation, std::string* why);
  // The billboard every flare is drawn with (the first mesh of "UniBillboard.ase").
  void SetMesh(const Mesh* mesh) { mesh_ = mesh; }

  // One flare for this frame at `position`, facing along `view` (from the flare towards the
  // eye), with a random roll. Beyond 63 in a frame a flare is dropped.
  void Add(const Vector3& view, const Vector3& position);
  // Draws this frame's flares, last added first, with the flare images bound; then the pool is
  // empty.
  void DrawAndClear(const MeshDrawCaps& caps, TextureNamePool& pool);

  int LastUsed() const { return lastUsed_; }
  const BillboardInstance& Flare(int slot) const { return flares_.at(static_cast<std::size_t>(slot)); }
  Texture& texture() { return texture_; }

 private:
  Texture texture_;
  const Mesh* mesh_ = nullptr;
  std::array<BillboardInstance, kSlots> flares_{};
  int lastUsed_ = -1;
};

}  // namespace ironwood
