// The parts of model import that need neither library: placing a model and choosing record
// sizes.

#include <algorithm>
#include <cmath>

#include "tools/as3tool/model_import.h"

namespace ironwood::as3tool {

void NearestRecordSize(int width, int height, int* recordWidth, int* recordHeight) {
  // The wanted size: the image's, shrunk (never grown) to sides of at most 511.
  const double shrink = std::min(1.0, 511.0 / std::max(width, height));
  const double wantW = std::max(1.0, width * shrink), wantH = std::max(1.0, height * shrink);
  const int mostW = std::max(1, static_cast<int>(std::lround(wantW)));
  const int mostH = std::max(1, static_cast<int>(std::lround(wantH)));
  double best = 1e30;
  for (int w = 1; w <= mostW; ++w) {
    for (int ratio = 1; ratio <= 127; ++ratio) {
      for (const int h : {w * ratio, w / ratio}) {
        if (h < 1 || h > mostH) continue;
        const double dw = std::log(w / wantW), dh = std::log(h / wantH);
        const double distance = dw * dw + dh * dh;
        if (distance < best - 1e-12) {
          best = distance;
          *recordWidth = w;
          *recordHeight = h;
        }
      }
    }
  }
}

bool NormaliseModel(std::vector<PluginMesh>* meshes, float length, std::string* error) {
  double low[3] = {1e300, 1e300, 1e300}, high[3] = {-1e300, -1e300, -1e300};
  for (const PluginMesh& mesh : *meshes) {
    for (const PluginVertex& v : mesh.vertices) {
      for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(v.position[k])) {
          *error = "a vertex coordinate is not finite";
          return false;
        }
        low[k] = std::min(low[k], double{v.position[k]});
        high[k] = std::max(high[k], double{v.position[k]});
      }
    }
  }
  const double longest = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
  if (!(longest > 0) || !std::isfinite(longest)) {
    *error = "the model has no size (all its vertices in one point) or no finite size";
    return false;
  }
  const double scale = length / longest;
  for (PluginMesh& mesh : *meshes) {
    for (PluginVertex& v : mesh.vertices) {
      for (int k = 0; k < 3; ++k) {
        v.position[k] = static_cast<float>((v.position[k] - (low[k] + high[k]) / 2) * scale);
      }
    }
  }
  return true;
}

}  // namespace ironwood::as3tool
