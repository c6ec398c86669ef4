#pragma once

// What the weapons and a dying ship need from the rest of the frame: the effect pools they spawn
// into, the billboard meshes, the camera whose eye sets facings and sound volumes, and how to
// draw. Owned by the scene; any missing piece is simply left out (no pool: nothing spawned).

#include <array>

#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/battle/battle_tally.h"
#include "saver/battle/camera.h"
#include "saver/effects/debris.h"
#include "saver/effects/explosions.h"
#include "saver/effects/phaser_flare.h"

namespace ironwood {

struct BattleEffects {
  ExplosionSystem* explosions = nullptr;
  SparkSystem* sparks = nullptr;
  DebrisSystem* debris = nullptr;
  PhaserFlarePool* phaserFlares = nullptr;
  const Mesh* uniBillboard = nullptr;  // first mesh of "UniBillboard.ase": puffs, death bursts
  const Mesh* triBillboard = nullptr;  // first mesh of "TriBillboard.ase": weapon hits
  const Camera* camera = nullptr;
  bool soundEffects = false;  // the program-wide switch; ships and torpedoes hold the buffers
  MeshDrawCaps caps;
  TextureNamePool* textures = nullptr;
  BattleTally* tally = nullptr;  // none: nothing is counted

  // The camera's eye offset; (0, 0, -100), the fixed view's, without a camera.
  std::array<float, 3> EyeOffset() const {
    if (camera != nullptr) return camera->EyeOffset();
    return {0.0f, 0.0f, -100.0f};
  }
};

}  // namespace ironwood
