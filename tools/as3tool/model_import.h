#pragma once

// Models and images from today's modelling tools, for `import`, `describe` and the `mesh` and
// `pair` keys of a description: glTF 2.0 (.gltf with its buffers, .glb), OBJ with its .mtl, FBX,
// COLLADA (.dae) and 3DS through the Open Asset Import Library; PNG, JPEG, TGA and BMP images
// through stb_image. Both libraries are part of the Linux build only; elsewhere every reader
// here answers false with a message that says so.
//
// A model is read with its node transforms applied, triangulated, with normals generated where
// the file has none, in the file's own units and axes: +Y up and +Z the nose, as glTF defines
// (COLLADA files are turned by their up axis). Meshes above a plug-in mesh's 1023 vertices or
// 1023 triangles are split. The reader opens only files in the model's own folder or below it,
// so a model cannot pull other files of the machine into a plug-in.

#include <cstdint>
#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "tools/as3tool/inputs.h"

namespace ironwood::as3tool {

// 8-bit RGBA pixels, first row the bottom one (as a texture record keeps them).
struct RgbaImage {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;  // the file had an alpha channel
  std::vector<std::uint8_t> rgba;
};

// The largest image taken, in pixels: more than any texture needs, and bounded so that a
// hostile header cannot ask for gigabytes.
constexpr std::int64_t kMaxImagePixels = std::int64_t{8192} * 4096;

// False where this build has no model or image import.
bool ModelImportAvailable();

// PNG, JPEG, TGA or BMP bytes. False with the reason.
bool DecodeImage(const Bytes& bytes, RgbaImage* out, std::string* error);

// The texture-record size nearest to width x height (never larger than the image, sides at most
// 511, the height the width times or divided by a whole ratio).
void NearestRecordSize(int width, int height, int* recordWidth, int* recordHeight);
// The image resampled to `width` x `height`.
RgbaImage Resized(const RgbaImage& image, int width, int height);

struct ModelMaterial {
  std::string name;
  // The base-colour image: embedded (decoded into `image`) or a file beside the model.
  bool embedded = false;
  RgbaImage image;
  std::string imageFile;  // absolute path, when the image is a file that could be read
  std::string problem;    // why there is no image, when there is none and the model names one
};

struct ImportedModel {
  std::vector<PluginMesh> meshes;  // pairIndex: index into `materials`
  std::vector<ModelMaterial> materials;  // only those some mesh uses, in first-use order
  std::vector<std::string> warnings;
};

// The model at `path`. False with the reason (no file name in it).
bool ReadModel(const std::string& path, ImportedModel* out, std::string* error);
// The same from bytes in memory; `extension` (".glb", ".obj", ...) tells the format. No other
// file is opened, so external buffers and images are missing.
bool ReadModelBytes(const std::uint8_t* data, std::size_t size, const std::string& extension,
                    ImportedModel* out, std::string* error);

// Centres the meshes' bounding box on the origin and scales them so the longest side is
// `length`; normals stay. False when the model has no finite, non-zero extent.
bool NormaliseModel(std::vector<PluginMesh>* meshes, float length, std::string* error);

// The generated mid-sized class, whose values and models are the defaults of `import`.
bool DefaultClass(PluginFile* out, std::string* error);

}  // namespace ironwood::as3tool
