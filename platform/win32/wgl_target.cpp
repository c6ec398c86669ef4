#include "platform/win32/wgl_target.h"

namespace ironwood::platform {

template <typename Function>
Function WglTarget::LibraryFunction(const char* name) const {
  if (libraries_.glLibrary == nullptr) return nullptr;
  // Looked up at every call: the library may be a mini-driver with its own set.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(libraries_.glLibrary), name)));
}

bool WglTarget::ChoosePixelFormat() {
  descriptor_ = PIXELFORMATDESCRIPTOR{};
  descriptor_.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  descriptor_.nVersion = 1;
  descriptor_.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  descriptor_.iPixelType = PFD_TYPE_RGBA;
  descriptor_.cColorBits = 32;
  descriptor_.cDepthBits = 32;
  descriptor_.iLayerType = PFD_MAIN_PLANE;

  if (!libraries_.miniDriver) {
    format_ = ::ChoosePixelFormat(dc_, &descriptor_);
  }
  if (format_ == 0) {
    using Choose = int(WINAPI*)(HDC, const PIXELFORMATDESCRIPTOR*);
    auto choose = LibraryFunction<Choose>("wglChoosePixelFormat");
    if (choose == nullptr) return false;
    libraries_.miniDriver = true;
    format_ = choose(dc_, &descriptor_);
  }
  if (format_ == 0) return false;

  // The chosen format's real values replace the requested ones; the result does not matter.
  if (libraries_.miniDriver) {
    using Describe = int(WINAPI*)(HDC, int, UINT, PIXELFORMATDESCRIPTOR*);
    if (auto describe = LibraryFunction<Describe>("wglDescribePixelFormat")) {
      describe(dc_, format_, sizeof descriptor_, &descriptor_);
    }
  } else {
    DescribePixelFormat(dc_, format_, sizeof descriptor_, &descriptor_);
  }
  return true;
}

bool WglTarget::SetPixelFormat() {
  if (!libraries_.miniDriver && ::SetPixelFormat(dc_, format_, &descriptor_)) return true;
  using Set = BOOL(WINAPI*)(HDC, int, const PIXELFORMATDESCRIPTOR*);
  auto set = LibraryFunction<Set>("wglSetPixelFormat");
  if (set == nullptr) return false;
  libraries_.miniDriver = true;
  return set(dc_, format_, &descriptor_) != FALSE;
}

bool WglTarget::CreateContext() {
  using Create = HGLRC(WINAPI*)(HDC);
  auto create = LibraryFunction<Create>("wglCreateContext");
  context_ = create != nullptr ? create(dc_) : nullptr;
  return context_ != nullptr;
}

bool WglTarget::MakeCurrent() {
  using MakeCurrentFunction = BOOL(WINAPI*)(HDC, HGLRC);
  auto makeCurrent = LibraryFunction<MakeCurrentFunction>("wglMakeCurrent");
  return makeCurrent != nullptr && makeCurrent(dc_, context_) != FALSE;
}

void WglTarget::ReleaseContext() {
  if (context_ == nullptr) return;
  using MakeCurrentFunction = BOOL(WINAPI*)(HDC, HGLRC);
  using Delete = BOOL(WINAPI*)(HGLRC);
  if (auto makeCurrent = LibraryFunction<MakeCurrentFunction>("wglMakeCurrent")) {
    makeCurrent(dc_, nullptr);
  }
  if (auto remove = LibraryFunction<Delete>("wglDeleteContext")) remove(context_);
  context_ = nullptr;
}

bool WglTarget::SwapBuffers() {
  if (!libraries_.miniDriver) return ::SwapBuffers(dc_) != FALSE;
  using Swap = BOOL(WINAPI*)(HDC);
  auto swap = LibraryFunction<Swap>("wglSwapBuffers");
  return swap != nullptr && swap(dc_) != FALSE;
}

}  // namespace ironwood::platform
