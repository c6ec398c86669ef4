#include "glapi/gl_table.h"

namespace ironwood {

opengl::EntryPoints gl;

namespace opengl {

// Function pointers are stored through void* slots; every platform we build for keeps code and
// data pointers the same size, which the OS loaders rely on as well.
static_assert(sizeof(void*) == sizeof(void (*)()));

std::vector<EntrySlot> CoreSlots(EntryPoints& table) {
  std::vector<EntrySlot> out;
#define IW_GL_CORE(ret, name, params, args) \
  out.push_back({#name, reinterpret_cast<void**>(&table.name)});
#include "glapi/gl_entry_points.inc"
#undef IW_GL_CORE
  return out;
}

std::vector<EntrySlot> GluSlots(EntryPoints& table) {
  std::vector<EntrySlot> out;
#define IW_GL_GLU(ret, name, params, args) \
  out.push_back({#name, reinterpret_cast<void**>(&table.name)});
#include "glapi/gl_entry_points.inc"
#undef IW_GL_GLU
  return out;
}

std::vector<EntrySlot> ExtensionSlots(EntryPoints& table) {
  std::vector<EntrySlot> out;
#define IW_GL_EXT(ret, name, params, args) \
  out.push_back({#name, reinterpret_cast<void**>(&table.name)});
#include "glapi/gl_entry_points.inc"
#undef IW_GL_EXT
  return out;
}

}  // namespace opengl
}  // namespace ironwood
