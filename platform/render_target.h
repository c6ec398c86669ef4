#pragma once

namespace ironwood::platform {

// Where OpenGL draws: the saver window, or an offscreen buffer. The renderer's start runs these
// steps in order and logs each; they map onto WGL pixel formats and contexts on Windows and onto
// EGL configurations, surfaces and contexts on Linux.
class RenderTarget {
 public:
  virtual ~RenderTarget() = default;

  virtual bool ChoosePixelFormat() = 0;  // a format with RGBA, 32-bit colour, depth, double buffer
  virtual bool SetPixelFormat() = 0;     // applies it to the window or creates the surface
  virtual bool CreateContext() = 0;
  virtual bool MakeCurrent() = 0;
  // Makes no context current and deletes the context; safe to call more than once.
  virtual void ReleaseContext() = 0;
  virtual bool SwapBuffers() = 0;
  // Asks for one buffer swap per display refresh (1) or none (0) where the driver allows it, so
  // a saver nobody watches does not draw as fast as the machine can. False when not supported.
  virtual bool SetSwapInterval(int /*interval*/) { return false; }
  // Asked before ChoosePixelFormat: a format with this many samples a pixel where the driver
  // has one (0: a plain one). A target without multisampled formats takes its plain format.
  virtual void RequestSamples(int /*samples*/) {}
  // The samples a pixel of the chosen format has; 0 for a plain format.
  virtual int Samples() const { return 0; }
};

}  // namespace ironwood::platform
