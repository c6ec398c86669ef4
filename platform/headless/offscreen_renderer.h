#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "glapi/frame_capture.h"
#include "glapi/gl_table.h"

namespace ironwood::platform {

using ironwood::RgbImage;

// Real OpenGL with no window or display, for render tests, benchmarks and offscreen runs: an
// offscreen buffer with a current context and the entry-point table filled from the system's
// OpenGL library.
class OffscreenRenderer {
 public:
  virtual ~OffscreenRenderer() = default;

  // Whether the buffer, context and table are ready; Error() says why not.
  virtual bool Available() const = 0;
  // True when it failed because EGL or the OpenGL library is not installed at all: render tests
  // skip on such a machine, but fail on one that has the libraries.
  virtual bool LibraryMissing() const = 0;
  virtual const std::string& Error() const = 0;
  // The EGL configuration and the driver's renderer and version strings, for test output.
  virtual std::string Description() const = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Samples a pixel of the buffer has (0: not multisampled).
  virtual int Samples() const = 0;
  // Makes this renderer's context current again (another renderer may have taken over).
  virtual bool MakeCurrent() = 0;
  // The whole buffer as drawn so far; an empty image (and Error()) on failure.
  virtual RgbImage ReadPixels() = 0;
};

// Opens an offscreen renderer of the given size and makes it current. It fills `table`; the
// table's previous contents come back when the last renderer that filled it is destroyed. An
// empty `glLibrary` means the system's own. With `samples` above 0 the buffer is multisampled
// where the driver offers it (Samples() says). Never null: check Available().
std::unique_ptr<OffscreenRenderer> OpenOffscreenRenderer(int width, int height,
                                                         opengl::EntryPoints& table = gl,
                                                         const std::string& glLibrary = {},
                                                         int samples = 0);

}  // namespace ironwood::platform
