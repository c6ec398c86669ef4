#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "glapi/gl_table.h"

namespace ironwood {

// An RGB image, 3 bytes a pixel, rows from the top down.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// Reads the current context's frame (its lower-left width x height pixels) through an
// entry-point table. An empty image on failure, with the reason in `error` when given.
RgbImage CaptureFrame(int width, int height, std::string* error = nullptr,
                      const opengl::EntryPoints& table = gl);

}  // namespace ironwood
