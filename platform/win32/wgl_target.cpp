#include "platform/win32/wgl_target.h"

#include <cstring>

namespace ironwood::platform {

namespace {

// From WGL_ARB_pixel_format and WGL_ARB_multisample.
constexpr int kDrawToWindow = 0x2001;
constexpr int kSupportOpenGL = 0x2010;
constexpr int kDoubleBuffer = 0x2011;
constexpr int kPixelType = 0x2013;
constexpr int kTypeRgba = 0x202B;
constexpr int kColorBits = 0x2014;
constexpr int kDepthBits = 0x2022;
constexpr int kAcceleration = 0x2003;
constexpr int kNoAcceleration = 0x2025;
constexpr int kSampleBuffers = 0x2041;
constexpr int kSamples = 0x2042;

constexpr char kProbeClassName[] = "StarfraySSFormatProbe";

bool HasWord(const char* list, const char* word) {
  if (list == nullptr) return false;
  const std::size_t length = std::strlen(word);
  for (const char* at = std::strstr(list, word); at != nullptr; at = std::strstr(at + 1, word)) {
    if ((at == list || at[-1] == ' ') && (at[length] == '\0' || at[length] == ' ')) return true;
  }
  return false;
}

}  // namespace

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

  samples_ = 0;
  if (!libraries_.miniDriver && requestedSamples_ > 0) format_ = MultisampledFormat();
  if (format_ == 0 && !libraries_.miniDriver) {
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

int WglTarget::MultisampledFormat() {
  using CreateContextFunction = HGLRC(WINAPI*)(HDC);
  using MakeCurrentFunction = BOOL(WINAPI*)(HDC, HGLRC);
  using DeleteContextFunction = BOOL(WINAPI*)(HGLRC);
  using GetProcAddressFunction = PROC(WINAPI*)(LPCSTR);
  using ExtensionsArb = const char*(WINAPI*)(HDC);
  using ExtensionsExt = const char*(WINAPI*)();
  using ChooseArb = BOOL(WINAPI*)(HDC, const int*, const FLOAT*, UINT, int*, UINT*);
  using GetAttribsArb = BOOL(WINAPI*)(HDC, int, int, UINT, const int*, int*);
  auto createContext = LibraryFunction<CreateContextFunction>("wglCreateContext");
  auto makeCurrent = LibraryFunction<MakeCurrentFunction>("wglMakeCurrent");
  auto deleteContext = LibraryFunction<DeleteContextFunction>("wglDeleteContext");
  auto getProcAddress = LibraryFunction<GetProcAddressFunction>("wglGetProcAddress");
  auto getCurrentContext = LibraryFunction<HGLRC(WINAPI*)()>("wglGetCurrentContext");
  auto getCurrentDc = LibraryFunction<HDC(WINAPI*)()>("wglGetCurrentDC");
  if (createContext == nullptr || makeCurrent == nullptr || deleteContext == nullptr ||
      getProcAddress == nullptr) {
    return 0;
  }

  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA probeClass{};
  probeClass.style = CS_OWNDC;
  probeClass.lpfnWndProc = DefWindowProcA;
  probeClass.hInstance = instance;
  probeClass.lpszClassName = kProbeClassName;
  if (RegisterClassA(&probeClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 0;
  HWND probe = CreateWindowExA(0, kProbeClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               instance, nullptr);
  if (probe == nullptr) return 0;
  HDC probeDc = GetDC(probe);
  // Whatever was current stays current afterwards.
  const HGLRC previousContext = getCurrentContext != nullptr ? getCurrentContext() : nullptr;
  const HDC previousDc = getCurrentDc != nullptr ? getCurrentDc() : nullptr;
  HGLRC context = nullptr;
  const int plain = probeDc != nullptr ? ::ChoosePixelFormat(probeDc, &descriptor_) : 0;
  if (plain != 0 && ::SetPixelFormat(probeDc, plain, &descriptor_)) {
    context = createContext(probeDc);
  }

  int format = 0;
  auto address = [&](const char* name) {
    return reinterpret_cast<void*>(getProcAddress(name));
  };
  if (context != nullptr && makeCurrent(probeDc, context)) {
    const char* extensions = nullptr;
    if (auto arb = reinterpret_cast<ExtensionsArb>(address("wglGetExtensionsStringARB"))) {
      extensions = arb(probeDc);
    } else if (auto ext =
                   reinterpret_cast<ExtensionsExt>(address("wglGetExtensionsStringEXT"))) {
      extensions = ext();
    }
    auto choose = reinterpret_cast<ChooseArb>(address("wglChoosePixelFormatARB"));
    auto attributes =
        reinterpret_cast<GetAttribsArb>(address("wglGetPixelFormatAttribivARB"));
    if (choose != nullptr && HasWord(extensions, "WGL_ARB_pixel_format") &&
        HasWord(extensions, "WGL_ARB_multisample")) {
      const int wanted[] = {kDrawToWindow, TRUE, kSupportOpenGL, TRUE, kDoubleBuffer, TRUE,
                            kPixelType, kTypeRgba, kColorBits, 24, kDepthBits, 24,
                            kSampleBuffers, TRUE, kSamples, requestedSamples_, 0};
      int found = 0;
      UINT count = 0;
      if (choose(dc_, wanted, nullptr, 1, &found, &count) && count > 0) {
        int samples = requestedSamples_;
        int acceleration = 0;
        if (attributes != nullptr) {
          const int names[] = {kSamples, kAcceleration};
          int values[2] = {0, 0};
          if (attributes(dc_, found, 0, 2, names, values)) {
            samples = values[0];
            acceleration = values[1];
          }
        }
        // A format the driver draws only in software would cost more than its edges are worth.
        if (samples > 0 && acceleration != kNoAcceleration) {
          format = found;
          samples_ = samples;
        }
      }
    }
  }
  if (context != nullptr) {
    makeCurrent(previousDc, previousContext);
    deleteContext(context);
  }
  if (probeDc != nullptr) ReleaseDC(probe, probeDc);
  DestroyWindow(probe);
  return format;
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
