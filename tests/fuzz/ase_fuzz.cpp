// Scene files (".ase") through the token scanner. Input: a flag byte (bit 0: with materials,
// whose bitmaps name files in a folder that does not exist; bit 1: with texture coordinates;
// bit 2: read for importing), then the text.

#include "saver/assets/ase_model.h"
#include "tests/fuzz/fuzz_support.h"

namespace ironwood::fuzz {

void Ase(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  const std::uint8_t flags = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool import = (flags & 4) != 0;
  NullGlScope nullGl;
  AseModel model;
  std::vector<AseImportObject> objects;
  ParseAse(text, "/nonexistent-ironwood-installation/", (flags & 1) != 0, (flags & 2) != 0,
           &model, import ? &objects : nullptr);
  if (!import) {
    Check(model.meshes.size() <= AseModel::kMaxMeshes, "at most 30 meshes");
  } else {
    Check(objects.size() == model.meshes.size(), "one import record a kept object");
  }
  Check(model.materials.size() <= 2 * AseModel::kMaxMaterials, "at most 200 materials");
  for (const Mesh& mesh : model.meshes) {
    Check(mesh.indices.size() == std::size_t{mesh.faceCount} * 3, "three indices a face");
    Check(mesh.positions.size() == std::size_t{mesh.vertexCount} * 3, "a position a vertex");
    for (std::uint32_t index : mesh.indices) {
      Check(index < mesh.vertexCount, "faces use only the mesh's vertices");
    }
    Check(mesh.texCoords.empty() || mesh.texCoords.size() == std::size_t{mesh.vertexCount} * 2,
          "texture coordinates a vertex, or none");
  }
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(Ase)
