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
  void RequestSamples(int samples) override { requestedSamples_ = samples > 0 ? samples : 0; }
  int Samples() const override { return samples_; }

  const PIXELFORMATDESCRIPTOR& Descriptor() const { return descriptor_; }

 private:
  template <typename Function>
  Function LibraryFunction(const char* name) const;
  // The multisampled format wglChoosePixelFormatARB offers for the window, found through a
  // context on a window of our own (the call needs a current context, and a window's format
  // can be set only once); 0 when the driver has none.
  int MultisampledFormat();

  HDC dc_;
  GlLibraryState& libraries_;
  PIXELFORMATDESCRIPTOR descriptor_{};
  int format_ = 0;
  int requestedSamples_ = 0;
  int samples_ = 0;  // of the chosen format
  HGLRC context_ = nullptr;
};

}  // namespace ironwood::platform
