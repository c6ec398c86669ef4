// Only the EGL types are wanted from its headers; Xlib comes in on its own below.
#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <type_traits>
#include <vector>

#include "glapi/gl_table.h"
#include "platform/linux/egl_target.h"
#include "platform/linux/library_symbols.h"
#include "platform/linux/x11_calls.h"

// Last: Xlib defines short macro names (None, Bool, Status).
#include <X11/Xlib.h>

namespace ironwood::platform {

namespace {

constexpr const char* kEglLibraryName = "libEGL.so.1";

// Framebuffer objects (OpenGL 3.0 and GL_ARB_framebuffer_object), for multisampled pbuffers.
constexpr GLenum kFramebuffer = 0x8D40;
constexpr GLenum kReadFramebuffer = 0x8CA8;
constexpr GLenum kDrawFramebuffer = 0x8CA9;
constexpr GLenum kRenderbuffer = 0x8D41;
constexpr GLenum kColorAttachment0 = 0x8CE0;
constexpr GLenum kDepthAttachment = 0x8D00;
constexpr GLenum kFramebufferComplete = 0x8CD5;
constexpr GLenum kMaxSamples = 0x8D57;
constexpr GLenum kDepthComponent24 = 0x81A6;

// The EGL calls a target makes, resolved from libEGL at run time.
struct EglLibrary {
  std::string error;  // empty when every required call was found
  decltype(&eglGetProcAddress) GetProcAddress = nullptr;
  decltype(&eglGetError) GetError = nullptr;
  decltype(&eglQueryString) QueryString = nullptr;
  decltype(&eglGetDisplay) GetDisplay = nullptr;
  decltype(&eglGetPlatformDisplay) GetPlatformDisplay = nullptr;  // EGL 1.5 only
  PFNEGLGETPLATFORMDISPLAYEXTPROC GetPlatformDisplayEXT = nullptr;
  decltype(&eglInitialize) Initialize = nullptr;
  decltype(&eglTerminate) Terminate = nullptr;
  decltype(&eglBindAPI) BindAPI = nullptr;
  decltype(&eglChooseConfig) ChooseConfig = nullptr;
  decltype(&eglGetConfigAttrib) GetConfigAttrib = nullptr;
  decltype(&eglCreatePbufferSurface) CreatePbufferSurface = nullptr;
  decltype(&eglCreateWindowSurface) CreateWindowSurface = nullptr;
  decltype(&eglDestroySurface) DestroySurface = nullptr;
  decltype(&eglCreateContext) CreateContext = nullptr;
  decltype(&eglDestroyContext) DestroyContext = nullptr;
  decltype(&eglMakeCurrent) MakeCurrent = nullptr;
  decltype(&eglGetCurrentContext) GetCurrentContext = nullptr;
  decltype(&eglSwapBuffers) SwapBuffers = nullptr;
  decltype(&eglSwapInterval) SwapInterval = nullptr;  // optional: only the swap interval needs it

  bool Loaded() const { return error.empty(); }
};

template <typename Function>
void Resolve(void* library, const char* name, Function& slot, std::string* error) {
  if (!ResolveSymbol(library, name, slot) && error != nullptr && error->empty()) {
    *error = std::string(kEglLibraryName) + " lacks " + name;
  }
}

// Loaded once and never closed: drivers keep threads and exit handlers that outlive any target.
const EglLibrary& Egl() {
  static const EglLibrary library = [] {
    EglLibrary egl;
    void* handle = dlopen(kEglLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* why = dlerror();
      egl.error = std::string(kEglLibraryName) + " could not be loaded" +
                  (why != nullptr ? std::string(": ") + why : std::string());
      return egl;
    }
    std::string* error = &egl.error;
    Resolve(handle, "eglGetProcAddress", egl.GetProcAddress, error);
    Resolve(handle, "eglGetError", egl.GetError, error);
    Resolve(handle, "eglQueryString", egl.QueryString, error);
    Resolve(handle, "eglGetDisplay", egl.GetDisplay, error);
    Resolve(handle, "eglInitialize", egl.Initialize, error);
    Resolve(handle, "eglTerminate", egl.Terminate, error);
    Resolve(handle, "eglBindAPI", egl.BindAPI, error);
    Resolve(handle, "eglChooseConfig", egl.ChooseConfig, error);
    Resolve(handle, "eglGetConfigAttrib", egl.GetConfigAttrib, error);
    Resolve(handle, "eglCreatePbufferSurface", egl.CreatePbufferSurface, error);
    Resolve(handle, "eglCreateWindowSurface", egl.CreateWindowSurface, error);
    Resolve(handle, "eglDestroySurface", egl.DestroySurface, error);
    Resolve(handle, "eglCreateContext", egl.CreateContext, error);
    Resolve(handle, "eglDestroyContext", egl.DestroyContext, error);
    Resolve(handle, "eglMakeCurrent", egl.MakeCurrent, error);
    Resolve(handle, "eglGetCurrentContext", egl.GetCurrentContext, error);
    Resolve(handle, "eglSwapBuffers", egl.SwapBuffers, error);
    Resolve(handle, "eglGetPlatformDisplay", egl.GetPlatformDisplay, nullptr);
    Resolve(handle, "eglSwapInterval", egl.SwapInterval, nullptr);
    if (egl.GetProcAddress != nullptr) {
      egl.GetPlatformDisplayEXT = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
          egl.GetProcAddress("eglGetPlatformDisplayEXT"));
    }
    return egl;
  }();
  return library;
}

std::string EglErrorText(EGLint code) {
  static const std::map<EGLint, const char*> names = {
      {EGL_SUCCESS, "EGL_SUCCESS"},
      {EGL_NOT_INITIALIZED, "EGL_NOT_INITIALIZED"},
      {EGL_BAD_ACCESS, "EGL_BAD_ACCESS"},
      {EGL_BAD_ALLOC, "EGL_BAD_ALLOC"},
      {EGL_BAD_ATTRIBUTE, "EGL_BAD_ATTRIBUTE"},
      {EGL_BAD_CONFIG, "EGL_BAD_CONFIG"},
      {EGL_BAD_CONTEXT, "EGL_BAD_CONTEXT"},
      {EGL_BAD_CURRENT_SURFACE, "EGL_BAD_CURRENT_SURFACE"},
      {EGL_BAD_DISPLAY, "EGL_BAD_DISPLAY"},
      {EGL_BAD_MATCH, "EGL_BAD_MATCH"},
      {EGL_BAD_NATIVE_PIXMAP, "EGL_BAD_NATIVE_PIXMAP"},
      {EGL_BAD_NATIVE_WINDOW, "EGL_BAD_NATIVE_WINDOW"},
      {EGL_BAD_PARAMETER, "EGL_BAD_PARAMETER"},
      {EGL_BAD_SURFACE, "EGL_BAD_SURFACE"},
      {EGL_CONTEXT_LOST, "EGL_CONTEXT_LOST"},
  };
  char code_text[16];
  std::snprintf(code_text, sizeof code_text, "0x%04X", static_cast<unsigned>(code));
  const auto found = names.find(code);
  return found == names.end() ? std::string(code_text)
                              : std::string(found->second) + " (" + code_text + ")";
}

std::string CallFailed(const char* call) {
  return std::string(call) + " failed: " + EglErrorText(Egl().GetError());
}

bool HasWord(const char* list, const char* word) {
  if (list == nullptr) return false;
  const std::size_t length = std::strlen(word);
  for (const char* at = std::strstr(list, word); at != nullptr; at = std::strstr(at + 1, word)) {
    const bool starts = at == list || at[-1] == ' ';
    const bool ends = at[length] == '\0' || at[length] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

bool ClientHas(const char* extension) {
  // Without client extensions this query fails with EGL_BAD_DISPLAY; clear that error again.
  const char* list = Egl().QueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (list == nullptr) Egl().GetError();
  return HasWord(list, extension);
}

EGLDisplay PlatformDisplay(EGLenum platform, void* native) {
  const EglLibrary& egl = Egl();
  if (egl.GetPlatformDisplay != nullptr) return egl.GetPlatformDisplay(platform, native, nullptr);
  if (egl.GetPlatformDisplayEXT != nullptr) {
    return egl.GetPlatformDisplayEXT(platform, native, nullptr);
  }
  return EGL_NO_DISPLAY;
}

// EGL displays are process-wide: terminating one ends every target on it. Each target counts as
// a user, and the last one to leave terminates it.
std::mutex& DisplayMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<EGLDisplay, int>& DisplayUsers() {
  static std::map<EGLDisplay, int> users;
  return users;
}

bool AcquireDisplay(EGLDisplay display, EGLint* major, EGLint* minor) {
  std::lock_guard<std::mutex> lock(DisplayMutex());
  if (Egl().Initialize(display, major, minor) != EGL_TRUE) return false;
  ++DisplayUsers()[display];
  return true;
}

void ReleaseDisplay(EGLDisplay display) {
  std::lock_guard<std::mutex> lock(DisplayMutex());
  auto user = DisplayUsers().find(display);
  if (user == DisplayUsers().end()) return;
  if (--user->second > 0) return;
  DisplayUsers().erase(user);
  Egl().Terminate(display);
}

// The X visual of a window, to pick the EGL configuration drawn with that visual; 0 when Xlib is
// not there to ask.
unsigned long WindowVisual(void* display, unsigned long window) {
  const x11::XlibCalls& xlib = x11::Xlib();
  if (!xlib.loaded) return 0;
  XWindowAttributes attributes{};
  if (xlib.GetWindowAttributes(static_cast<Display*>(display), window, &attributes) == 0) return 0;
  return attributes.visual != nullptr ? xlib.VisualIDFromVisual(attributes.visual) : 0;
}

}  // namespace

struct EglTarget::State {
  bool window = false;
  int width = 0;
  int height = 0;
  void* x11Display = nullptr;
  unsigned long x11Window = 0;

  EGLDisplay display = EGL_NO_DISPLAY;  // set only while this target counts as its user
  EGLint major = 0;
  EGLint minor = 0;
  std::string vendor;
  EGLConfig config = nullptr;
  EglConfigInfo info;
  EGLint requestedSamples = 0;
  EGLSurface surface = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;
  // glFinish, for pbuffers only: see SwapBuffers.
  void (*finish)() = nullptr;
  // A pbuffer's multisampled drawing: a framebuffer object with colour and depth renderbuffers
  // of `samples` samples, resolved into the pbuffer at every swap.
  struct Multisampled {
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
    int samples = 0;
    void (*genFramebuffers)(GLsizei, GLuint*) = nullptr;
    void (*bindFramebuffer)(GLenum, GLuint) = nullptr;
    void (*genRenderbuffers)(GLsizei, GLuint*) = nullptr;
    void (*bindRenderbuffer)(GLenum, GLuint) = nullptr;
    void (*renderbufferStorageMultisample)(GLenum, GLsizei, GLenum, GLsizei, GLsizei) = nullptr;
    void (*framebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint) = nullptr;
    GLenum (*checkFramebufferStatus)(GLenum) = nullptr;
    void (*blitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield,
                            GLenum) = nullptr;
    void (*deleteFramebuffers)(GLsizei, const GLuint*) = nullptr;
    void (*deleteRenderbuffers)(GLsizei, const GLuint*) = nullptr;
    void (*getIntegerv)(GLenum, GLint*) = nullptr;
  } multisampled;
  std::string error;

  bool Fail(std::string why) {
    error = std::move(why);
    return false;
  }
  bool Succeed() {
    error.clear();
    return true;
  }
  EGLint Attribute(EGLConfig candidate, EGLint name) const {
    EGLint value = 0;
    if (Egl().GetConfigAttrib(display, candidate, name, &value) != EGL_TRUE) return 0;
    return value;
  }
};

// Without the calls, or with a framebuffer the driver will not complete, the pbuffer draws
// plainly: multisampling is a nicety, never a reason to fail.
void EglTarget::MakeMultisampledFramebuffer(State& s) {
  State::Multisampled m;
  auto get = [](const char* name, auto& slot) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(Egl().GetProcAddress(name));
    return slot != nullptr;
  };
  const bool found =
      get("glGenFramebuffers", m.genFramebuffers) && get("glBindFramebuffer", m.bindFramebuffer) &&
      get("glGenRenderbuffers", m.genRenderbuffers) &&
      get("glBindRenderbuffer", m.bindRenderbuffer) &&
      get("glRenderbufferStorageMultisample", m.renderbufferStorageMultisample) &&
      get("glFramebufferRenderbuffer", m.framebufferRenderbuffer) &&
      get("glCheckFramebufferStatus", m.checkFramebufferStatus) &&
      get("glBlitFramebuffer", m.blitFramebuffer) &&
      get("glDeleteFramebuffers", m.deleteFramebuffers) &&
      get("glDeleteRenderbuffers", m.deleteRenderbuffers) && get("glGetIntegerv", m.getIntegerv);
  if (!found) return;
  GLint most = 0;
  m.getIntegerv(kMaxSamples, &most);
  m.samples = std::min<int>(s.requestedSamples, most);
  if (m.samples < 2) return;
  m.genFramebuffers(1, &m.framebuffer);
  m.genRenderbuffers(2, m.renderbuffers);
  m.bindFramebuffer(kFramebuffer, m.framebuffer);
  const GLenum formats[2] = {GL_RGBA8, kDepthComponent24};
  const GLenum attachments[2] = {kColorAttachment0, kDepthAttachment};
  for (int i = 0; i < 2; ++i) {
    m.bindRenderbuffer(kRenderbuffer, m.renderbuffers[i]);
    m.renderbufferStorageMultisample(kRenderbuffer, m.samples, formats[i], s.width, s.height);
    m.framebufferRenderbuffer(kFramebuffer, attachments[i], kRenderbuffer, m.renderbuffers[i]);
  }
  m.bindRenderbuffer(kRenderbuffer, 0);
  if (m.checkFramebufferStatus(kFramebuffer) != kFramebufferComplete) {
    m.bindFramebuffer(kFramebuffer, 0);
    m.deleteFramebuffers(1, &m.framebuffer);
    m.deleteRenderbuffers(2, m.renderbuffers);
    return;
  }
  m.bindFramebuffer(kReadFramebuffer, 0);  // reads see the resolved picture
  s.multisampled = m;
}

EglTarget::EglTarget(std::unique_ptr<State> state) : state_(std::move(state)) {}

EglTarget::~EglTarget() {
  ReleaseContext();
}

std::unique_ptr<EglTarget> EglTarget::Offscreen(int width, int height) {
  auto state = std::make_unique<State>();
  state->width = width;
  state->height = height;
  return std::unique_ptr<EglTarget>(new EglTarget(std::move(state)));
}

std::unique_ptr<EglTarget> EglTarget::ForWindow(void* x11Display, unsigned long x11Window) {
  auto state = std::make_unique<State>();
  state->window = true;
  state->x11Display = x11Display;
  state->x11Window = x11Window;
  return std::unique_ptr<EglTarget>(new EglTarget(std::move(state)));
}

void* EglTarget::GetProcAddress(const char* name) {
  const EglLibrary& egl = Egl();
  if (!egl.Loaded() || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(egl.GetProcAddress(name));
}

bool EglTarget::LibraryAvailable(std::string* why) {
  if (why != nullptr) *why = Egl().error;
  return Egl().Loaded();
}

bool EglTarget::ChoosePixelFormat() {
  State& s = *state_;
  const EglLibrary& egl = Egl();
  if (!egl.Loaded()) return s.Fail(egl.error);
  if (s.config != nullptr) return s.Succeed();

  // Candidate displays, best first.
  std::vector<std::pair<const char*, EGLDisplay>> displays;
  if (s.window) {
    if (s.x11Display == nullptr || s.x11Window == 0) return s.Fail("no X11 window to draw in");
    if (ClientHas("EGL_KHR_platform_x11") || ClientHas("EGL_EXT_platform_x11")) {
      displays.emplace_back("X11 platform", PlatformDisplay(EGL_PLATFORM_X11_KHR, s.x11Display));
    }
    displays.emplace_back("X11 display",
                          egl.GetDisplay(static_cast<EGLNativeDisplayType>(s.x11Display)));
  } else {
    if (ClientHas("EGL_MESA_platform_surfaceless")) {
      displays.emplace_back("surfaceless platform",
                            PlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY));
    }
    displays.emplace_back("default display", egl.GetDisplay(EGL_DEFAULT_DISPLAY));
  }
  std::string tried;
  for (const auto& [name, display] : displays) {
    if (display == EGL_NO_DISPLAY) {
      tried += std::string(tried.empty() ? "" : "; ") + name + ": " + CallFailed("eglGetDisplay");
      continue;
    }
    if (AcquireDisplay(display, &s.major, &s.minor)) {
      s.display = display;
      break;
    }
    tried += std::string(tried.empty() ? "" : "; ") + name + ": " + CallFailed("eglInitialize");
  }
  if (s.display == EGL_NO_DISPLAY) return s.Fail("no EGL display (" + tried + ")");
  const char* vendor = egl.QueryString(s.display, EGL_VENDOR);
  s.vendor = vendor != nullptr ? vendor : "unknown vendor";

  if (egl.BindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    const std::string why = CallFailed("eglBindAPI(EGL_OPENGL_API)");
    ReleaseContext();
    return s.Fail(why);
  }

  std::vector<EGLint> wanted = {EGL_RED_SIZE,
                                8,
                                EGL_GREEN_SIZE,
                                8,
                                EGL_BLUE_SIZE,
                                8,
                                EGL_DEPTH_SIZE,
                                24,
                                EGL_SURFACE_TYPE,
                                s.window ? EGL_WINDOW_BIT : EGL_PBUFFER_BIT,
                                EGL_RENDERABLE_TYPE,
                                EGL_OPENGL_BIT,
                                EGL_NONE};
  EGLint count = 0;
  // Multisampled configurations first, when asked for; without any, the plain ones.
  // Mesa draws a multisampled pbuffer but reads it back unresolved, so a pbuffer draws into a
  // multisampled framebuffer object of its own instead (see MakeCurrent).
  if (s.requestedSamples > 0 && s.window) {
    std::vector<EGLint> multisampled(wanted.begin(), wanted.end() - 1);
    multisampled.insert(multisampled.end(),
                        {EGL_SAMPLE_BUFFERS, 1, EGL_SAMPLES, s.requestedSamples, EGL_NONE});
    if (egl.ChooseConfig(s.display, multisampled.data(), nullptr, 0, &count) == EGL_TRUE &&
        count > 0) {
      wanted = std::move(multisampled);
    } else {
      egl.GetError();  // a refusal here is not the step's failure
      count = 0;
    }
  }
  if (egl.ChooseConfig(s.display, wanted.data(), nullptr, 0, &count) != EGL_TRUE || count <= 0) {
    const std::string why = count <= 0 ? std::string(
                                             "no EGL configuration with RGB 8/8/8 and a "
                                             "depth buffer of 24 bits or more")
                                       : CallFailed("eglChooseConfig");
    ReleaseContext();
    return s.Fail(why);
  }
  std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
  if (egl.ChooseConfig(s.display, wanted.data(), configs.data(), count, &count) != EGL_TRUE) {
    const std::string why = CallFailed("eglChooseConfig");
    ReleaseContext();
    return s.Fail(why);
  }
  configs.resize(static_cast<std::size_t>(std::max(count, 0)));

  // EGL sorts deeper colour first, so 10-bit configurations come before 8-bit ones; rank again
  // for what the saver wants: the window's own visual, no slow caveat, exactly 8 bits a channel
  // with alpha, the fewest samples that were asked for (none when none were), and the deepest
  // depth buffer up to 32 bits.
  const EGLint visual = s.window ? static_cast<EGLint>(WindowVisual(s.x11Display, s.x11Window)) : 0;
  auto rank = [&](EGLConfig config) {
    const EGLint red = s.Attribute(config, EGL_RED_SIZE);
    const EGLint green = s.Attribute(config, EGL_GREEN_SIZE);
    const EGLint blue = s.Attribute(config, EGL_BLUE_SIZE);
    const EGLint alpha = s.Attribute(config, EGL_ALPHA_SIZE);
    const int wrong_visual = visual != 0 && s.Attribute(config, EGL_NATIVE_VISUAL_ID) != visual;
    const int slow = s.Attribute(config, EGL_CONFIG_CAVEAT) == EGL_SLOW_CONFIG;
    const int wide_colour = red != 8 || green != 8 || blue != 8;
    const int alpha_rank = alpha == 8 ? 0 : (alpha == 0 ? 1 : 2);
    const int samples = s.Attribute(config, EGL_SAMPLES);
    const int depth = std::min<EGLint>(s.Attribute(config, EGL_DEPTH_SIZE), 32);
    return std::make_tuple(wrong_visual, slow, wide_colour, alpha_rank, samples, -depth);
  };
  std::stable_sort(configs.begin(), configs.end(),
                   [&](EGLConfig a, EGLConfig b) { return rank(a) < rank(b); });
  if (configs.empty()) {
    ReleaseContext();
    return s.Fail("eglChooseConfig returned no configuration");
  }
  s.config = configs.front();
  s.info.id = s.Attribute(s.config, EGL_CONFIG_ID);
  s.info.red = s.Attribute(s.config, EGL_RED_SIZE);
  s.info.green = s.Attribute(s.config, EGL_GREEN_SIZE);
  s.info.blue = s.Attribute(s.config, EGL_BLUE_SIZE);
  s.info.alpha = s.Attribute(s.config, EGL_ALPHA_SIZE);
  s.info.depth = s.Attribute(s.config, EGL_DEPTH_SIZE);
  s.info.stencil = s.Attribute(s.config, EGL_STENCIL_SIZE);
  s.info.samples = s.Attribute(s.config, EGL_SAMPLES);
  return s.Succeed();
}

bool EglTarget::SetPixelFormat() {
  State& s = *state_;
  if (s.config == nullptr) return s.Fail("no pixel format has been chosen");
  if (s.surface != EGL_NO_SURFACE) return s.Succeed();
  const EglLibrary& egl = Egl();
  if (s.window) {
    s.surface = egl.CreateWindowSurface(s.display, s.config,
                                        static_cast<EGLNativeWindowType>(s.x11Window), nullptr);
    if (s.surface == EGL_NO_SURFACE) return s.Fail(CallFailed("eglCreateWindowSurface"));
  } else {
    if (s.width < 1 || s.height < 1) {
      return s.Fail("offscreen size " + std::to_string(s.width) + "x" + std::to_string(s.height) +
                    " is not a valid size");
    }
    const EGLint size[] = {EGL_WIDTH, s.width, EGL_HEIGHT, s.height, EGL_NONE};
    s.surface = egl.CreatePbufferSurface(s.display, s.config, size);
    if (s.surface == EGL_NO_SURFACE) return s.Fail(CallFailed("eglCreatePbufferSurface"));
  }
  return s.Succeed();
}

bool EglTarget::CreateContext() {
  State& s = *state_;
  if (s.config == nullptr) return s.Fail("no pixel format has been chosen");
  if (s.context != EGL_NO_CONTEXT) return s.Succeed();
  const EglLibrary& egl = Egl();
  // The bound API belongs to the thread; this step may run on another one than the choice did.
  if (egl.BindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    return s.Fail(CallFailed("eglBindAPI(EGL_OPENGL_API)"));
  }
  // No version or profile request: that gives the compatibility profile, with fixed function.
  const EGLint attributes[] = {EGL_NONE};
  s.context = egl.CreateContext(s.display, s.config, EGL_NO_CONTEXT, attributes);
  if (s.context == EGL_NO_CONTEXT) return s.Fail(CallFailed("eglCreateContext"));
  return s.Succeed();
}

bool EglTarget::MakeCurrent() {
  State& s = *state_;
  if (s.surface == EGL_NO_SURFACE) return s.Fail("there is no surface to make current");
  if (s.context == EGL_NO_CONTEXT) return s.Fail("there is no context to make current");
  if (Egl().MakeCurrent(s.display, s.surface, s.surface, s.context) != EGL_TRUE) {
    return s.Fail(CallFailed("eglMakeCurrent"));
  }
  if (!s.window && s.requestedSamples > 0 && s.multisampled.framebuffer == 0) {
    MakeMultisampledFramebuffer(s);
  }
  return s.Succeed();
}

void EglTarget::ReleaseContext() {
  State& s = *state_;
  if (s.display == EGL_NO_DISPLAY) return;
  const EglLibrary& egl = Egl();
  // Only our own context is unbound: another target's current context is left alone.
  if (s.context != EGL_NO_CONTEXT && egl.GetCurrentContext() == s.context) {
    egl.MakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  s.multisampled = State::Multisampled{};  // its objects go with the context
  if (s.context != EGL_NO_CONTEXT) egl.DestroyContext(s.display, s.context);
  if (s.surface != EGL_NO_SURFACE) egl.DestroySurface(s.display, s.surface);
  ReleaseDisplay(s.display);
  s.context = EGL_NO_CONTEXT;
  s.surface = EGL_NO_SURFACE;
  s.config = nullptr;
  s.display = EGL_NO_DISPLAY;
  s.info = EglConfigInfo{};
}

bool EglTarget::SwapBuffers() {
  State& s = *state_;
  if (s.surface == EGL_NO_SURFACE) return s.Fail("there is no surface to swap");
  ResolveSamples();
  if (Egl().SwapBuffers(s.display, s.surface) != EGL_TRUE) {
    return s.Fail(CallFailed("eglSwapBuffers"));
  }
  // A pbuffer's swap does nothing, so unlike a window's it never lets the driver retire the
  // frame: the buffers behind client-array draws then pile up without bound. Finishing the frame
  // here keeps an offscreen run's memory flat.
  if (!s.window) {
    if (s.finish == nullptr) {
      s.finish = reinterpret_cast<void (*)()>(Egl().GetProcAddress("glFinish"));
    }
    if (s.finish != nullptr) s.finish();
  }
  return s.Succeed();
}

bool EglTarget::SetSwapInterval(int interval) {
  State& s = *state_;
  const EglLibrary& egl = Egl();
  if (s.context == EGL_NO_CONTEXT || egl.GetCurrentContext() != s.context) {
    return s.Fail("the target's context is not current");
  }
  if (egl.SwapInterval == nullptr) {
    return s.Fail(std::string(kEglLibraryName) + " lacks eglSwapInterval");
  }
  if (egl.SwapInterval(s.display, interval) != EGL_TRUE) {
    return s.Fail(CallFailed("eglSwapInterval"));
  }
  return s.Succeed();
}

const std::string& EglTarget::LastError() const {
  return state_->error;
}

void EglTarget::RequestSamples(int samples) {
  state_->requestedSamples = std::max(samples, 0);
}

int EglTarget::Samples() const {
  return state_->multisampled.framebuffer != 0 ? state_->multisampled.samples
                                               : state_->info.samples;
}

void EglTarget::ResolveSamples() {
  State::Multisampled& m = state_->multisampled;
  if (m.framebuffer == 0) return;
  const int width = state_->width, height = state_->height;
  m.bindFramebuffer(kReadFramebuffer, m.framebuffer);
  m.bindFramebuffer(kDrawFramebuffer, 0);
  m.blitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  // Reads see the resolved picture in the pbuffer; drawing goes on in the samples.
  m.bindFramebuffer(kReadFramebuffer, 0);
  m.bindFramebuffer(kDrawFramebuffer, m.framebuffer);
}

const EglConfigInfo& EglTarget::Config() const {
  return state_->info;
}

std::string EglTarget::Describe() const {
  const State& s = *state_;
  if (s.config == nullptr) return "no EGL configuration chosen";
  char text[200];
  std::snprintf(text, sizeof text,
                "EGL %d.%d (%s), config %d: RGBA %d/%d/%d/%d, depth %d, stencil %d, samples %d",
                s.major, s.minor, s.vendor.c_str(), s.info.id, s.info.red, s.info.green,
                s.info.blue, s.info.alpha, s.info.depth, s.info.stencil, s.info.samples);
  return text;
}

}  // namespace ironwood::platform
