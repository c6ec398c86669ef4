#include "glapi/frame_capture.h"

#include <cstring>

namespace ironwood {

RgbImage CaptureFrame(int width, int height, std::string* error, const opengl::EntryPoints& table) {
  if (width < 1 || height < 1) return {};
  // Errors left by earlier drawing are not this read's; only its own count.
  for (int i = 0; i < 16 && table.glGetError() != GL_NO_ERROR; ++i) {
  }
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height));
  GLint alignment = 4;
  table.glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  table.glPixelStorei(GL_PACK_ALIGNMENT, 1);
  table.glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  table.glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  if (const GLenum code = table.glGetError(); code != GL_NO_ERROR) {
    if (error != nullptr) *error = "glReadPixels failed with OpenGL error " + std::to_string(code);
    return {};
  }
  // OpenGL counts rows from the bottom; images here run from the top.
  RgbImage image{width, height, std::vector<std::uint8_t>(bottomUp.size())};
  for (int y = 0; y < height; ++y) {
    std::memcpy(image.rgb.data() + static_cast<std::size_t>(y) * row,
                bottomUp.data() + static_cast<std::size_t>(height - 1 - y) * row, row);
  }
  return image;
}

}  // namespace ironwood
