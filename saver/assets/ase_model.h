#pragma once

// The reader of ASCII scene exports (".ase"): a token scanner, not a grammar. It reads
// whitespace-separated tokens, skips forward to the keywords it needs and ignores the rest, so
// any exporter's layout reads as long as the keywords come in the usual order.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "saver/assets/mesh.h"
#include "saver/assets/texture.h"

namespace ironwood {

struct AseModel {
  static constexpr int kMaxMeshes = 30;
  static constexpr std::size_t kMaxTokenLength = 99;
  static constexpr std::size_t kMaxNameLength = 199;
  // The files we ship are far smaller; a larger one is refused before it is read.
  static constexpr std::uintmax_t kMaxFileBytes = 64u << 20;
  // Two textures a material, and a context has 400 texture names.
  static constexpr int kMaxMaterials = 200;

  std::vector<Mesh> meshes;  // at most kMaxMeshes, in file order
  // Two textures per material: 2k from the diffuse map (with the self-illumination map as its
  // opacity), 2k + 1 from the specular map (with the opacity map). Meshes point into this
  // vector, so a model is moved, never copied.
  std::vector<Texture> materials;
  // Objects dropped, materials not found and maps that did not load, for the caller's log: the
  // first ten, then one line counting the rest.
  std::vector<std::string> problems;

  AseModel() = default;
  AseModel(AseModel&&) = default;
  AseModel& operator=(AseModel&&) = default;
  AseModel(const AseModel&) = delete;
  AseModel& operator=(const AseModel&) = delete;
};

// What importing a model needs beyond what the saver draws, one per kept object (in the order of
// AseModel::meshes), read only when asked for.
struct AseImportObject {
  std::string name;                                   // node name without quotes, spaces kept
  std::vector<std::array<float, 2>> texVertices;      // the whole texture vertex list
  std::vector<std::array<std::int32_t, 3>> texFaces;  // "*MESH_TFACE" entries in file order
  std::vector<std::pair<std::int32_t, std::array<float, 3>>> vertexNormals;  // vertex, normal
};

// Reads `path`. False, with the reason in `why`, when it is not a readable regular file of at
// most kMaxFileBytes, or is UTF-16 text. Each material ends at the brace closing its block, and
// the search for a material stops at the first object. Coordinates are divided by 300; texture
// vertex i belongs to vertex i; normals are the face-weighted average of the faces using each
// vertex. Bitmaps named by materials are looked up in installation + "Gfx" + the name without
// its first and last character (the quotes). Objects that are cut short, name vertices beyond
// their count, or give counts the file cannot hold are dropped and listed in `problems`.
bool LoadAse(const std::string& path, const std::string& installation, bool withMaterials,
             bool withTexCoords, AseModel* model, std::string* why = nullptr);

// The same from text already in memory (tests, tools). With `import`, the texture part of each
// object is read for importing instead: the texture vertex list by its own count, the texture
// faces and the vertex normals go to `import`, the meshes get no texture coordinates, and every
// object is kept (no limit of kMaxMeshes).
void ParseAse(const std::string& text, const std::string& installation, bool withMaterials,
              bool withTexCoords, AseModel* model,
              std::vector<AseImportObject>* import = nullptr);

}  // namespace ironwood
