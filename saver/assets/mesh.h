#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ironwood {

class Texture;

// The geometry record of the whole saver: packed arrays ready for client-side vertex arrays and
// one glDrawElements of GL_TRIANGLES with GL_UNSIGNED_INT indices. A mesh owns its arrays, not
// its textures.
struct Mesh {
  // What the scene-file reader works in before the arrays are filled; plug-in meshes have none.
  struct WorkVertex {
    float x = 0, y = 0, z = 0;
    float u = 0, v = 0;
    float nx = 0, ny = 0, nz = 0;  // normal sum, then the unit normal
    std::int32_t faceCount = 0;
  };

  std::uint32_t faceCount = 0;
  std::uint32_t vertexCount = 0;
  std::vector<WorkVertex> workVertices;
  std::vector<std::array<std::int32_t, 3>> workFaces;
  Texture* texture = nullptr;
  Texture* secondTexture = nullptr;
  std::vector<float> positions;         // x, y, z per vertex
  std::vector<float> normals;           // x, y, z per vertex
  std::vector<float> texCoords;         // u, v per vertex
  std::vector<std::uint32_t> indices;   // three per face
  std::string name;                     // node name as read, quotes included
};

}  // namespace ironwood
