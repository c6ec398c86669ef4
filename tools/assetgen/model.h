#pragma once

// Geometry as the generators build it: triangle meshes in the saver's own units, one texture
// coordinate per vertex (the saver's readers pair texture vertex i with vertex i), and the
// material or texture-pair index the mesh is drawn with.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ironwood::assetgen {

struct ModelVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;  // unit normal; writers of formats that carry none ignore it
  float u = 0, v = 0;            // v = 0 is the bottom row of the image
};

struct ModelMesh {
  std::string name;  // node name; no white space and no quotes
  std::vector<ModelVertex> vertices;
  std::vector<std::array<std::uint32_t, 3>> faces;  // counter-clockwise seen from the front
  int material = 0;  // ASE material index, or the plug-in texture-pair index
};

}  // namespace ironwood::assetgen
