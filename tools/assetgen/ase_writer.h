#pragma once

// ASCII scene export (".ase") in the layout 3D packages write: a scene block, a material list
// and one geometry object per mesh with its node transform, vertex, face, texture-vertex and
// texture-face lists, normals and material reference. Any tool that reads the format opens
// these files, and the saver's token scanner finds every keyword it searches for.

#include <string>
#include <vector>

#include "tools/assetgen/model.h"

namespace ironwood::assetgen {

// The saver divides every coordinate by this on load.
constexpr float kAseUnitsPerSaverUnit = 300.0f;

struct AseMaterial {
  std::string name;
  std::string diffuseBitmap;     // file name in Gfx/, written in quotes
  std::string selfIllumBitmap;   // optional: the saver takes it as the diffuse map's opacity
};

// Positions are multiplied by kAseUnitsPerSaverUnit. A mesh whose material index is beyond
// `materials` (or any mesh when there are none) gets no material reference. Numbers are
// written with fixed decimals, so the text is the same on every platform.
std::string EncodeAse(const std::vector<ModelMesh>& meshes,
                      const std::vector<AseMaterial>& materials, const std::string& comment);

}  // namespace ironwood::assetgen
