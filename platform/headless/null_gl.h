#pragma once

#include <memory>

#include "platform/gl_system.h"
#include "platform/saver_window.h"

namespace ironwood::platform {

// An OpenGL that draws nothing, for long simulation runs, tests and benchmarks on machines
// without any OpenGL, display or EGL. Its libraries "open" as a dummy handle and every entry
// point of the table (core, GLU and extensions) is a function of the right signature that does
// nothing. What callers read back is defined: fixed driver strings naming the extensions the
// saver uses, no errors, zeros for state queries except the viewport and the matrices (the
// matrix stacks are kept, so a matrix read back is the one the calls built), texture and list
// names handed out in increasing order.
GlSystem& NullGl();

// Starts the null OpenGL's state afresh (matrix stacks, names, enabled capabilities); the null
// window's render target does so when it creates its context.
void ResetNullGl();

// The strings the null OpenGL reports.
inline constexpr const char* kNullGlLibrary = "null-gl";
inline constexpr const char* kNullGlVendor = "Ironwood";
inline constexpr const char* kNullGlRenderer = "Ironwood null renderer (draws nothing)";
inline constexpr const char* kNullGlVersion = "1.1";
inline constexpr const char* kNullGlExtensions =
    "GL_ARB_multitexture GL_ARB_texture_compression GL_EXT_compiled_vertex_array "
    "GL_EXT_texture_compression_s3tc";

// A saver window like the offscreen one whose render target needs nothing at all: every
// context step succeeds and swapping buffers does nothing. Pair it with NullGl().
std::unique_ptr<SaverWindow> CreateNullWindow();

}  // namespace ironwood::platform
