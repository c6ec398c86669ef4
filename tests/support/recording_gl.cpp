#include "tests/support/recording_gl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <type_traits>

#include "saver/core/matrix4.h"

namespace ironwood::testing {

namespace {

RecordingGl* active = nullptr;

template <typename T>
std::string ArgText(const T& value) {
  char text[64];
  if constexpr (std::is_pointer_v<T>) {
    std::snprintf(text, sizeof text, "%p", reinterpret_cast<const void*>(value));
  } else if constexpr (std::is_floating_point_v<T>) {
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  } else if constexpr (std::is_signed_v<T>) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  } else {
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
  }
  return text;
}

template <typename... Args>
void Record(const char* name, const std::tuple<Args...>& args) {
  if (active == nullptr) return;
  GlCall call{name, {}};
  std::apply([&](const auto&... a) { (call.args.push_back(ArgText(a)), ...); }, args);
  active->calls.push_back(std::move(call));
}

template <typename T>
T Zero() {
  if constexpr (!std::is_void_v<T>) return T{};
}

#define IW_RECORDER(ret, name, params, args) \
  ret IW_GLAPI Record_##name params {        \
    Record(#name, std::make_tuple args);     \
    return Zero<ret>();                      \
  }
#define IW_GL_CORE IW_RECORDER
#define IW_GL_GLU IW_RECORDER
#define IW_GL_EXT IW_RECORDER
#include "glapi/gl_entry_points.inc"
#undef IW_GL_CORE
#undef IW_GL_GLU
#undef IW_GL_EXT

void IW_GLAPI RecordMultMatrixf(const GLfloat* m) {
  if (active == nullptr) return;
  GlCall call{"glMultMatrixf", {}};
  for (int i = 0; i < 16; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(m[i]));
    call.args.push_back(text);
  }
  active->calls.push_back(std::move(call));
}

const GLubyte* IW_GLAPI AnswerGetString(GLenum name) {
  Record("glGetString", std::make_tuple(name));
  if (active == nullptr) return nullptr;
  auto found = active->strings.find(name);
  if (found == active->strings.end()) return nullptr;
  return reinterpret_cast<const GLubyte*>(found->second.c_str());
}

}  // namespace

std::string GlCall::Text() const {
  std::string text = name + "(";
  for (std::size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + args[i];
  return text + ")";
}

RecordingGl::RecordingGl() : saved_(gl) {
  active = this;
#define IW_INSTALL(ret, name, params, args) gl.name = Record_##name;
#define IW_GL_CORE IW_INSTALL
#define IW_GL_GLU IW_INSTALL
#define IW_GL_EXT IW_INSTALL
#include "glapi/gl_entry_points.inc"
#undef IW_GL_CORE
#undef IW_GL_GLU
#undef IW_GL_EXT
  gl.glGetString = AnswerGetString;
  gl.glMultMatrixf = RecordMultMatrixf;
}

RecordingGl::~RecordingGl() {
  gl = saved_;
  active = nullptr;
}

std::array<double, 16> MatrixArgs(const GlCall& call) {
  std::array<double, 16> m{};
  for (std::size_t i = 0; i < m.size() && i < call.args.size(); ++i) m[i] = std::stod(call.args[i]);
  return m;
}

std::array<double, 16> TurnedByCalls(const std::array<double, 3>& at, double heading, double pitch,
                                     double roll, const std::array<double, 3>& scale) {
  Matrix4 m = IdentityMatrix();
  Translate(m, at[0], at[1], at[2]);
  Rotate(m, heading, 0, 1, 0);
  Rotate(m, pitch, 1, 0, 0);
  Rotate(m, roll, 0, 0, 1);
  for (int column = 0; column < 3; ++column) {
    for (int row = 0; row < 4; ++row) m[4 * column + row] *= scale[column];
  }
  return m;
}

double LargestDifference(const std::array<double, 16>& a, const std::array<double, 16>& b) {
  double largest = 0;
  for (std::size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
  return largest;
}

int RecordingGl::Count(std::string_view name) const {
  int n = 0;
  for (const GlCall& call : calls) n += call.name == name;
  return n;
}

std::vector<GlCall> RecordingGl::Named(std::string_view name) const {
  std::vector<GlCall> found;
  for (const GlCall& call : calls) {
    if (call.name == name) found.push_back(call);
  }
  return found;
}

std::vector<std::string> RecordingGl::Names() const {
  std::vector<std::string> names;
  for (const GlCall& call : calls) names.push_back(call.name);
  return names;
}

}  // namespace ironwood::testing
