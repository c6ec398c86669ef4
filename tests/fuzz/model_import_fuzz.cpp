// Models for `as3tool import` through the Open Asset Import Library's readers, from memory (no
// other file is opened: external buffers and images are missing). Input: a flag byte whose low
// three bits pick the format (.glb, .gltf, .obj, .dae, .fbx, .3ds, and .glb again for 6 and 7),
// then the file. Where the build has no model import the reader refuses everything.

#include <cmath>

#include "tests/fuzz/fuzz_support.h"
#include "tools/as3tool/model_import.h"

namespace ironwood::fuzz {

void ModelImport(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  static const char* const kExtensions[8] = {".glb", ".gltf", ".obj", ".dae",
                                             ".fbx", ".3ds",  ".glb", ".glb"};
  as3tool::ImportedModel model;
  std::string error;
  if (!as3tool::ReadModelBytes(data + 1, size - 1, kExtensions[data[0] & 7], &model, &error)) {
    Check(!error.empty(), "a refusal gives a reason");
    return;
  }
  Check(!model.meshes.empty() && model.meshes.size() <= 255, "1 to 255 meshes");
  Check(!model.materials.empty() && model.materials.size() <= 255, "1 to 255 materials");
  for (const PluginMesh& mesh : model.meshes) {
    Check(!mesh.triangles.empty(), "no empty mesh");
    Check(mesh.vertices.size() <= 1023 && mesh.triangles.size() <= 1023,
          "meshes split to a plug-in mesh's limits");
    Check(mesh.pairIndex < model.materials.size(), "each mesh's material is kept");
    for (const auto& triangle : mesh.triangles) {
      for (std::uint32_t index : triangle) {
        Check(index < mesh.vertices.size(), "faces use only their mesh's vertices");
      }
    }
    for (const PluginVertex& v : mesh.vertices) {
      for (float c : v.position) Check(std::isfinite(c), "positions finite");
    }
  }
  for (const as3tool::ModelMaterial& material : model.materials) {
    const as3tool::RgbaImage& image = material.image;
    Check(image.rgba.size() == static_cast<std::size_t>(image.width) * image.height * 4,
          "an image's pixels match its size");
  }
  if (!as3tool::NormaliseModel(&model.meshes, 4, &error)) return;
  for (const PluginMesh& mesh : model.meshes) {
    for (const PluginVertex& v : mesh.vertices) {
      for (float c : v.position) Check(std::fabs(c) <= 2.001f, "placed within the length");
    }
  }
}

}  // namespace ironwood::fuzz

IRONWOOD_FUZZ_ENTRY(ModelImport)
