// Builds without the model and image libraries (the Windows build): import is a Linux-build
// feature.

#include "tools/as3tool/model_import.h"

namespace ironwood::as3tool {
namespace {

constexpr const char* kUnavailable =
    "model and image import (glTF, OBJ, FBX, COLLADA, 3DS; PNG, JPEG, TGA) is a feature of the "
    "Linux build of as3tool";

}  // namespace

bool ModelImportAvailable() { return false; }

bool DecodeImage(const Bytes&, RgbaImage*, std::string* error) {
  *error = kUnavailable;
  return false;
}

RgbaImage Resized(const RgbaImage& image, int, int) { return image; }

bool ReadModel(const std::string&, ImportedModel*, std::string* error) {
  *error = kUnavailable;
  return false;
}

bool ReadModelBytes(const std::uint8_t*, std::size_t, const std::string&, ImportedModel*,
                    std::string* error) {
  *error = kUnavailable;
  return false;
}

bool DefaultClass(PluginFile*, std::string* error) {
  *error = kUnavailable;
  return false;
}

}  // namespace ironwood::as3tool
