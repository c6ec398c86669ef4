#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "glapi/gl_table.h"

namespace ironwood::testing {

// One call made through the entry-point table: the function's name and its arguments as text
// (integers in decimal, floating point with %g, pointers as 0x addresses).
struct GlCall {
  std::string name;
  std::vector<std::string> args;
  std::string Text() const;  // "glBindTexture(3553, 0)"
};

// The 16 values of a glMultMatrixf call, which records them (in full precision) rather than
// its pointer.
std::array<double, 16> MatrixArgs(const GlCall& call);

// The matrix glTranslatef(x, y, z), glRotated(heading, 0, 1, 0), glRotated(pitch, 1, 0, 0),
// glRotated(roll, 0, 0, 1) and glScalef(scale) make of the identity, and the largest
// difference between two matrices: for checking a composed placement against the calls.
std::array<double, 16> TurnedByCalls(const std::array<double, 3>& at, double heading, double pitch,
                                     double roll, const std::array<double, 3>& scale = {1, 1, 1});
double LargestDifference(const std::array<double, 16>& a, const std::array<double, 16>& b);

// Fills the process's entry-point table with functions that record every call instead of
// drawing, for the life of the object; the previous table comes back afterwards. glGetString
// answers from `strings`; every other function returns zero.
class RecordingGl {
 public:
  RecordingGl();
  ~RecordingGl();
  RecordingGl(const RecordingGl&) = delete;
  RecordingGl& operator=(const RecordingGl&) = delete;

  int Count(std::string_view name) const;
  std::vector<GlCall> Named(std::string_view name) const;
  std::vector<std::string> Names() const;  // the names of all calls, in order

  std::vector<GlCall> calls;
  std::map<GLenum, std::string> strings;

 private:
  opengl::EntryPoints saved_;
};

}  // namespace ironwood::testing
