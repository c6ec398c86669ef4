#pragma once

// The saver links against no OpenGL library: every OpenGL, GLU and extension function is called
// through this table, which the binding fills from a library chosen at run time. Calls read
// like the C API with the table in front: gl.glBindTexture(GL_TEXTURE_2D, name).

#include <cstddef>
#include <vector>

#include "glapi/gl_constants.h"

// The calling convention of the platform's OpenGL (stdcall on 32-bit Windows).
#ifdef _WIN32
#define IW_GLAPI __stdcall
#else
#define IW_GLAPI
#endif

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef signed char GLbyte;
typedef short GLshort;
typedef int GLint;
typedef int GLsizei;
typedef unsigned char GLubyte;
typedef unsigned short GLushort;
typedef unsigned int GLuint;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;
typedef void GLvoid;
struct GLUquadric;
struct GLUtesselator;
struct GLUnurbs;
typedef void(IW_GLAPI* IwGluCallback)();

namespace ironwood::opengl {

struct EntryPoints {
#define IW_GL_CORE(ret, name, params, args) ret(IW_GLAPI* name) params = nullptr;
#define IW_GL_GLU(ret, name, params, args) ret(IW_GLAPI* name) params = nullptr;
#define IW_GL_EXT(ret, name, params, args) ret(IW_GLAPI* name) params = nullptr;
#include "glapi/gl_entry_points.inc"
#undef IW_GL_CORE
#undef IW_GL_GLU
#undef IW_GL_EXT
};

// One named slot of the table, for binding by name.
struct EntrySlot {
  const char* name;
  void** slot;
};

// The slots of each list in binding order: 336 core, 49 GLU, 47 extension entries.
std::vector<EntrySlot> CoreSlots(EntryPoints& table);
std::vector<EntrySlot> GluSlots(EntryPoints& table);
std::vector<EntrySlot> ExtensionSlots(EntryPoints& table);
inline constexpr std::size_t kCoreCount = 336;
inline constexpr std::size_t kGluCount = 49;
inline constexpr std::size_t kExtensionCount = 47;

}  // namespace ironwood::opengl

namespace ironwood {
// The process's entry-point table: the one global the saver keeps outside its owner object,
// since every drawing call in every subsystem goes through it.
extern opengl::EntryPoints gl;
}  // namespace ironwood
