#pragma once

#include <windows.h>

#include <memory>

#include "platform/gl_system.h"
#include "platform/render_target.h"

namespace ironwood::platform {

// OpenGL on a window's device context through WGL. The context calls go to the bound library's
// own wgl functions; pixel formats and swaps use GDI unless the library is a mini-driver, whose
// own versions are used instead (and from then on).
class WglTarget : public RenderTarget {
 public:
  WglTarget(HDC deviceContext, GlLibraryState& libraries)
      : dc_(deviceContext), libraries_(libraries) {}
  ~WglTarget() override { ReleaseContext(); }

  bool ChoosePixelFormat() override;
  bool SetPixelFormat() override;
  bool CreateContext() override;
  bool MakeCurrent() override;
  void ReleaseContext() override;
  bool SwapBuffers() override;

  const PIXELFORMATDESCRIPTOR& Descriptor() const { return descriptor_; }

 private:
  template <typename Function>
  Function LibraryFunction(const char* name) const;

  HDC dc_;
  GlLibraryState& libraries_;
  PIXELFORMATDESCRIPTOR descriptor_{};
  int format_ = 0;
  HGLRC context_ = nullptr;
};

}  // namespace ironwood::platform
