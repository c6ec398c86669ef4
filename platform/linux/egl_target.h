#pragma once

#include <memory>
#include <string>

#include "platform/render_target.h"

namespace ironwood::platform {

// The EGL configuration a target settled on, for the start-up log and for tests.
struct EglConfigInfo {
  int id = 0;
  int red = 0;
  int green = 0;
  int blue = 0;
  int alpha = 0;
  int depth = 0;
  int stencil = 0;
  int samples = 0;  // 0: not multisampled
};

// OpenGL through EGL: a pbuffer for offscreen runs and tests, or an existing X11 window. libEGL is
// opened at run time rather than linked, so a machine without it still starts and the failing
// step says why.
class EglTarget : public RenderTarget {
 public:
  // A pbuffer of the given size on Mesa's surfaceless platform (no display needed), or on the
  // default display where that platform is missing.
  static std::unique_ptr<EglTarget> Offscreen(int width, int height);
  // A window surface on an X11 window that already exists (x11Display is the Xlib Display*).
  static std::unique_ptr<EglTarget> ForWindow(void* x11Display, unsigned long x11Window);

  // eglGetProcAddress of the process's libEGL; nullptr when EGL is missing or lacks the name.
  static void* GetProcAddress(const char* name);
  // Whether libEGL.so.1 loaded with every call a target needs; `why` gets the reason if not.
  static bool LibraryAvailable(std::string* why = nullptr);

  ~EglTarget() override;
  EglTarget(const EglTarget&) = delete;
  EglTarget& operator=(const EglTarget&) = delete;

  bool ChoosePixelFormat() override;
  bool SetPixelFormat() override;
  bool CreateContext() override;
  bool MakeCurrent() override;
  void ReleaseContext() override;
  bool SwapBuffers() override;
  // eglSwapInterval for this target's surface; its context must be current.
  bool SetSwapInterval(int interval) override;
  void RequestSamples(int samples) override;
  int Samples() const override;
  // A multisampled pbuffer's picture resolved into the pbuffer, where reads find it; SwapBuffers
  // does this itself. Nothing for a window or a plain pbuffer.
  void ResolveSamples();

  // Why the last step failed; empty after a step succeeds.
  const std::string& LastError() const;
  // The chosen configuration; all zero before ChoosePixelFormat succeeds.
  const EglConfigInfo& Config() const;
  // "EGL 1.5 (Mesa Project), config 30: RGBA 8/8/8/8, depth 32, stencil 0, samples 0" for
  // test output.
  std::string Describe() const;

 private:
  struct State;
  explicit EglTarget(std::unique_ptr<State> state);
  static void MakeMultisampledFramebuffer(State& s);
  std::unique_ptr<State> state_;
};

}  // namespace ironwood::platform
