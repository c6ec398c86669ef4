#include "platform/headless/null_gl.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "glapi/gl_table.h"
#include "platform/headless/headless_window.h"

namespace ironwood::platform {

namespace {

template <class... T>
void Ignore(const T&...) {}

template <class T>
T Zero() {
  if constexpr (!std::is_void_v<T>) return T{};
}

// Every entry point, doing nothing and answering zero (or nothing).
#define IW_NULL_ENTRY(ret, name, params, args) \
  ret IW_GLAPI Null_##name params {            \
    Ignore args;                               \
    return Zero<ret>();                        \
  }
#define IW_GL_CORE IW_NULL_ENTRY
#define IW_GL_GLU IW_NULL_ENTRY
#define IW_GL_EXT IW_NULL_ENTRY
#include "glapi/gl_entry_points.inc"
#undef IW_GL_CORE
#undef IW_GL_GLU
#undef IW_GL_EXT
#undef IW_NULL_ENTRY

// What the calls change and the queries read back. The saver reads the matrices (its lens
// flare projects the light through the camera's), so the stacks are kept as a driver keeps them.
struct Matrix {
  float m[16];
};

constexpr Matrix kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
constexpr std::size_t kStackDepth = 32;

struct State {
  std::vector<Matrix> stacks[3]{{kIdentity}, {kIdentity}, {kIdentity}};
  int mode = 0;  // 0 modelview, 1 projection, 2 texture
  GLint viewport[4] = {0, 0, 0, 0};
  GLuint lastTexture = 0;
  GLuint lastList = 0;
  std::set<GLuint> textures;
  std::set<GLuint> lists;
  std::set<GLenum> enabled;

  Matrix& Top() { return stacks[mode].back(); }
};

State& Gl() {
  static State state;
  return state;
}

void Multiply(const float* right) {
  const Matrix left = Gl().Top();
  float* out = Gl().Top().m;
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += left.m[4 * k + r] * right[4 * c + k];
      out[4 * c + r] = sum;
    }
  }
}

template <class T>
void MultiplyBy(const T* values) {
  float m[16];
  for (int i = 0; i < 16; ++i) m[i] = static_cast<float>(values[i]);
  Multiply(m);
}

void Rotate(double degrees, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  if (length == 0) return;
  x /= length;
  y /= length;
  z /= length;
  const double radians = degrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
  const double m[16] = {x * x * t + c,     y * x * t + z * s, x * z * t - y * s, 0,
                        x * y * t - z * s, y * y * t + c,     y * z * t + x * s, 0,
                        x * z * t + y * s, y * z * t - x * s, z * z * t + c,     0,
                        0,                 0,                 0,                 1};
  MultiplyBy(m);
}

void Frustum(double l, double r, double b, double t, double n, double f) {
  if (l == r || b == t || n == f) return;
  const double m[16] = {2 * n / (r - l),   0, 0, 0, 0, 2 * n / (t - b), 0, 0,
                        (r + l) / (r - l), (t + b) / (t - b), -(f + n) / (f - n), -1,
                        0,                 0, -2 * f * n / (f - n), 0};
  MultiplyBy(m);
}

void Ortho(double l, double r, double b, double t, double n, double f) {
  if (l == r || b == t || n == f) return;
  const double m[16] = {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                        -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
  MultiplyBy(m);
}

// How many values a query writes: a caller's buffer is sized for its query, so writing more
// would overrun it.
int ValueCount(GLenum pname) {
  switch (pname) {
    case GL_MODELVIEW_MATRIX: case GL_PROJECTION_MATRIX: case GL_TEXTURE_MATRIX:
    case 0x84E3: case 0x84E4: case 0x84E5: case 0x84E6:  // the transposed matrices
      return 16;
    case GL_CURRENT_COLOR: case 0x0B03: case 0x0B04: case 0x0B06: case 0x0B07:  // current state
    case 0x0B53: case 0x0B66: case GL_VIEWPORT: case 0x0C10: case GL_COLOR_CLEAR_VALUE:
    case 0x0C23: case 0x0B80: case 0x8005: case 0x0DD2:  // ambient, fog, scissor, masks, ...
    case 0x1200: case 0x1201: case 0x1202: case 0x1203: case 0x1600:  // light and material
    case 0x2201: case 0x1004:  // environment and border colours
      return 4;
    case 0x0B02: case 0x1204: case 0x1603:  // normal, spot direction, colour indexes
      return 3;
    case 0x0B12: case 0x0B22: case 0x0B40: case GL_DEPTH_RANGE: case 0x0D3A: case 0x846D:
    case 0x846E: case 0x0DD0: case 0x0DD3:
      return 2;
    case 0x86A3:  // the compressed formats: as many as GL_NUM_COMPRESSED_TEXTURE_FORMATS, none
      return 0;
    default:
      return 1;
  }
}

// The answer to a state query: zeros but for the matrices, the viewport and a few limits.
int Query(GLenum pname, double values[16]) {
  const int count = ValueCount(pname);
  std::fill(values, values + 16, 0.0);
  State& s = Gl();
  auto matrix = [&](int which) {
    for (int i = 0; i < 16; ++i) values[i] = s.stacks[which].back().m[i];
  };
  switch (pname) {
    case GL_MODELVIEW_MATRIX: matrix(0); break;
    case GL_PROJECTION_MATRIX: matrix(1); break;
    case GL_TEXTURE_MATRIX: matrix(2); break;
    case GL_VIEWPORT:
      for (int i = 0; i < 4; ++i) values[i] = s.viewport[i];
      break;
    case GL_MATRIX_MODE: values[0] = GL_MODELVIEW + s.mode; break;
    case 0x0BA3: case 0x0BA4: case 0x0BA5:  // the stack depths
      values[0] = static_cast<double>(s.stacks[pname - 0x0BA3].size());
      break;
    case 0x0D36: case 0x0D38: case 0x0D39: values[0] = kStackDepth; break;
    case GL_DEPTH_RANGE: values[1] = 1; break;
    case 0x0D33: values[0] = 2048; break;  // the largest texture
    case 0x84E2: values[0] = 2; break;     // texture units
    default: break;
  }
  return count;
}

template <class T>
void QueryAs(GLenum pname, T* params) {
  if (params == nullptr) return;
  double values[16];
  const int count = Query(pname, values);
  for (int i = 0; i < count; ++i) {
    if constexpr (std::is_same_v<T, GLboolean>) {
      params[i] = values[i] != 0 ? GL_TRUE : 0;
    } else if constexpr (std::is_integral_v<T>) {
      params[i] = static_cast<T>(std::lround(values[i]));
    } else {
      params[i] = static_cast<T>(values[i]);
    }
  }
}

template <class T>
void ZeroValues(GLenum pname, T* params) {
  if (params != nullptr) std::fill(params, params + ValueCount(pname), T{});
}

// The entry points that answer or keep state.
namespace answering {

const GLubyte* IW_GLAPI glGetString(GLenum name) {
  const char* text = nullptr;
  switch (name) {
    case GL_VENDOR: text = kNullGlVendor; break;
    case GL_RENDERER: text = kNullGlRenderer; break;
    case GL_VERSION: text = kNullGlVersion; break;
    case GL_EXTENSIONS: text = kNullGlExtensions; break;
    default: return nullptr;
  }
  return reinterpret_cast<const GLubyte*>(text);
}
void IW_GLAPI glGetBooleanv(GLenum pname, GLboolean* params) { QueryAs(pname, params); }
void IW_GLAPI glGetIntegerv(GLenum pname, GLint* params) { QueryAs(pname, params); }
void IW_GLAPI glGetFloatv(GLenum pname, GLfloat* params) { QueryAs(pname, params); }
void IW_GLAPI glGetDoublev(GLenum pname, GLdouble* params) { QueryAs(pname, params); }
void IW_GLAPI glGetPointerv(GLenum, GLvoid** params) {
  if (params != nullptr) *params = nullptr;
}
void IW_GLAPI glGetLightfv(GLenum, GLenum pname, GLfloat* params) { ZeroValues(pname, params); }
void IW_GLAPI glGetLightiv(GLenum, GLenum pname, GLint* params) { ZeroValues(pname, params); }
void IW_GLAPI glGetMaterialfv(GLenum, GLenum pname, GLfloat* p) { ZeroValues(pname, p); }
void IW_GLAPI glGetMaterialiv(GLenum, GLenum pname, GLint* p) { ZeroValues(pname, p); }
void IW_GLAPI glGetTexEnvfv(GLenum, GLenum pname, GLfloat* p) { ZeroValues(pname, p); }
void IW_GLAPI glGetTexEnviv(GLenum, GLenum pname, GLint* p) { ZeroValues(pname, p); }
void IW_GLAPI glGetTexParameterfv(GLenum, GLenum pname, GLfloat* p) { ZeroValues(pname, p); }
void IW_GLAPI glGetTexParameteriv(GLenum, GLenum pname, GLint* p) { ZeroValues(pname, p); }
void IW_GLAPI glGetTexLevelParameterfv(GLenum, GLint, GLenum pname, GLfloat* p) {
  ZeroValues(pname, p);
}
void IW_GLAPI glGetTexLevelParameteriv(GLenum, GLint, GLenum pname, GLint* p) {
  ZeroValues(pname, p);
}

void IW_GLAPI glGenTextures(GLsizei n, GLuint* textures) {
  for (GLsizei i = 0; i < n && textures != nullptr; ++i) {
    textures[i] = ++Gl().lastTexture;
    Gl().textures.insert(textures[i]);
  }
}
void IW_GLAPI glDeleteTextures(GLsizei n, const GLuint* textures) {
  for (GLsizei i = 0; i < n && textures != nullptr; ++i) Gl().textures.erase(textures[i]);
}
void IW_GLAPI glBindTexture(GLenum, GLuint texture) {
  if (texture != 0) Gl().textures.insert(texture);  // binding a fresh name creates it
}
GLboolean IW_GLAPI glIsTexture(GLuint texture) { return Gl().textures.count(texture) ? 1 : 0; }
GLboolean IW_GLAPI glAreTexturesResident(GLsizei, const GLuint*, GLboolean*) { return GL_TRUE; }

GLuint IW_GLAPI glGenLists(GLsizei range) {
  if (range <= 0) return 0;
  const GLuint first = Gl().lastList + 1;
  for (GLsizei i = 0; i < range; ++i) Gl().lists.insert(first + static_cast<GLuint>(i));
  Gl().lastList += static_cast<GLuint>(range);
  return first;
}
void IW_GLAPI glNewList(GLuint list, GLenum) {
  if (list != 0) Gl().lists.insert(list);
}
void IW_GLAPI glDeleteLists(GLuint list, GLsizei range) {
  for (GLsizei i = 0; i < range; ++i) Gl().lists.erase(list + static_cast<GLuint>(i));
}
GLboolean IW_GLAPI glIsList(GLuint list) { return Gl().lists.count(list) ? 1 : 0; }

void IW_GLAPI glEnable(GLenum cap) { Gl().enabled.insert(cap); }
void IW_GLAPI glDisable(GLenum cap) { Gl().enabled.erase(cap); }
void IW_GLAPI glEnableClientState(GLenum array) { Gl().enabled.insert(array); }
void IW_GLAPI glDisableClientState(GLenum array) { Gl().enabled.erase(array); }
GLboolean IW_GLAPI glIsEnabled(GLenum cap) { return Gl().enabled.count(cap) ? 1 : 0; }

void IW_GLAPI glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  const GLint viewport[4] = {x, y, width, height};
  std::memcpy(Gl().viewport, viewport, sizeof viewport);
}
void IW_GLAPI glMatrixMode(GLenum mode) {
  if (mode >= GL_MODELVIEW && mode <= GL_TEXTURE) Gl().mode = static_cast<int>(mode - GL_MODELVIEW);
}
void IW_GLAPI glPushMatrix() {
  auto& stack = Gl().stacks[Gl().mode];
  if (stack.size() < kStackDepth) stack.push_back(stack.back());
}
void IW_GLAPI glPopMatrix() {
  auto& stack = Gl().stacks[Gl().mode];
  if (stack.size() > 1) stack.pop_back();
}
void IW_GLAPI glLoadIdentity() { Gl().Top() = kIdentity; }
void IW_GLAPI glLoadMatrixf(const GLfloat* m) {
  for (int i = 0; i < 16; ++i) Gl().Top().m[i] = m[i];
}
void IW_GLAPI glLoadMatrixd(const GLdouble* m) {
  for (int i = 0; i < 16; ++i) Gl().Top().m[i] = static_cast<float>(m[i]);
}
void IW_GLAPI glMultMatrixf(const GLfloat* m) { MultiplyBy(m); }
void IW_GLAPI glMultMatrixd(const GLdouble* m) { MultiplyBy(m); }
void IW_GLAPI glTranslated(GLdouble x, GLdouble y, GLdouble z) {
  const double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
  MultiplyBy(m);
}
void IW_GLAPI glTranslatef(GLfloat x, GLfloat y, GLfloat z) { glTranslated(x, y, z); }
void IW_GLAPI glScaled(GLdouble x, GLdouble y, GLdouble z) {
  const double m[16] = {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
  MultiplyBy(m);
}
void IW_GLAPI glScalef(GLfloat x, GLfloat y, GLfloat z) { glScaled(x, y, z); }
void IW_GLAPI glRotated(GLdouble a, GLdouble x, GLdouble y, GLdouble z) { Rotate(a, x, y, z); }
void IW_GLAPI glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) { Rotate(a, x, y, z); }
void IW_GLAPI glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  Frustum(l, r, b, t, n, f);
}
void IW_GLAPI glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
  Ortho(l, r, b, t, n, f);
}
void IW_GLAPI gluOrtho2D(GLdouble l, GLdouble r, GLdouble b, GLdouble t) { Ortho(l, r, b, t, -1, 1); }
void IW_GLAPI gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double top = zNear * std::tan(fovy * 3.14159265358979323846 / 360.0);
  Frustum(-top * aspect, top * aspect, -top, top, zNear, zFar);
}

}  // namespace answering

struct Entry {
  const char* name;
  void* address;
};

template <class F>
void* Address(F* function) {
  return reinterpret_cast<void*>(function);
}

const std::unordered_map<std::string_view, void*>& EntryPoints() {
  static const std::unordered_map<std::string_view, void*> table = [] {
    std::unordered_map<std::string_view, void*> entries;
#define IW_NULL_NAME(ret, name, params, args) entries[#name] = Address(&Null_##name);
#define IW_GL_CORE IW_NULL_NAME
#define IW_GL_GLU IW_NULL_NAME
#define IW_GL_EXT IW_NULL_NAME
#include "glapi/gl_entry_points.inc"
#undef IW_GL_CORE
#undef IW_GL_GLU
#undef IW_GL_EXT
#undef IW_NULL_NAME
    // The answering ones replace their no-op twins; their types must match the table's.
    opengl::EntryPoints typed;
#define IW_ANSWER(name)              \
  typed.name = &answering::name;     \
  entries[#name] = Address(typed.name);
    IW_ANSWER(glGetString) IW_ANSWER(glGetBooleanv) IW_ANSWER(glGetIntegerv)
    IW_ANSWER(glGetFloatv) IW_ANSWER(glGetDoublev) IW_ANSWER(glGetPointerv)
    IW_ANSWER(glGetLightfv) IW_ANSWER(glGetLightiv) IW_ANSWER(glGetMaterialfv)
    IW_ANSWER(glGetMaterialiv) IW_ANSWER(glGetTexEnvfv) IW_ANSWER(glGetTexEnviv)
    IW_ANSWER(glGetTexParameterfv) IW_ANSWER(glGetTexParameteriv)
    IW_ANSWER(glGetTexLevelParameterfv) IW_ANSWER(glGetTexLevelParameteriv)
    IW_ANSWER(glGenTextures) IW_ANSWER(glDeleteTextures) IW_ANSWER(glBindTexture)
    IW_ANSWER(glIsTexture) IW_ANSWER(glAreTexturesResident) IW_ANSWER(glGenLists)
    IW_ANSWER(glNewList) IW_ANSWER(glDeleteLists) IW_ANSWER(glIsList) IW_ANSWER(glEnable)
    IW_ANSWER(glDisable) IW_ANSWER(glEnableClientState) IW_ANSWER(glDisableClientState)
    IW_ANSWER(glIsEnabled) IW_ANSWER(glViewport) IW_ANSWER(glMatrixMode)
    IW_ANSWER(glPushMatrix) IW_ANSWER(glPopMatrix) IW_ANSWER(glLoadIdentity)
    IW_ANSWER(glLoadMatrixf) IW_ANSWER(glLoadMatrixd) IW_ANSWER(glMultMatrixf)
    IW_ANSWER(glMultMatrixd) IW_ANSWER(glTranslated) IW_ANSWER(glTranslatef)
    IW_ANSWER(glScaled) IW_ANSWER(glScalef) IW_ANSWER(glRotated) IW_ANSWER(glRotatef)
    IW_ANSWER(glFrustum) IW_ANSWER(glOrtho) IW_ANSWER(gluOrtho2D) IW_ANSWER(gluPerspective)
#undef IW_ANSWER
    return entries;
  }();
  return table;
}

constexpr const char* kNullGluLibrary = "null-glu";
char libraryHandle;  // what an opened library is: any pointer that is not null

class NullGlSystem : public GlSystem {
 public:
  std::vector<std::string> AcceleratorLibraries() const override { return {}; }
  std::vector<std::string> SystemLibraries() const override { return {kNullGlLibrary}; }
  std::string GluLibraryFor(const std::string& glLibrary) const override {
    return glLibrary == kNullGlLibrary ? kNullGluLibrary : "";
  }
  int AcceleratorBoardCount() override { return 0; }
  void* OpenLibrary(const std::string& fileName) override {
    return fileName == kNullGlLibrary || fileName == kNullGluLibrary ? &libraryHandle : nullptr;
  }
  void CloseLibrary(void*) override {}
  void* Symbol(void* library, const char* name) override {
    if (library == nullptr || name == nullptr) return nullptr;
    const auto found = EntryPoints().find(name);
    return found == EntryPoints().end() ? nullptr : found->second;
  }
  void* ExtensionAddress(void* glLibrary, const char* name) override {
    return Symbol(glLibrary, name);
  }
  std::string ReportNoLibrary() override {
    return std::string("the null OpenGL has only the library ") + kNullGlLibrary;
  }
};

class NullTarget : public RenderTarget {
 public:
  bool ChoosePixelFormat() override { return true; }
  bool SetPixelFormat() override { return true; }
  bool CreateContext() override {
    ResetNullGl();  // a fresh context starts from the default state
    return true;
  }
  bool MakeCurrent() override { return true; }
  void ReleaseContext() override {}
  bool SwapBuffers() override { return true; }
  bool SetSwapInterval(int) override { return true; }
};

// The headless window with a target that needs nothing.
class NullWindow : public HeadlessWindow {
 public:
  std::unique_ptr<RenderTarget> CreateRenderTarget(GlLibraryState&) override {
    return std::make_unique<NullTarget>();
  }
};

}  // namespace

GlSystem& NullGl() {
  static NullGlSystem system;
  return system;
}

void ResetNullGl() { Gl() = State{}; }

std::unique_ptr<SaverWindow> CreateNullWindow() { return std::make_unique<NullWindow>(); }

}  // namespace ironwood::platform
