#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "glapi/gl_table.h"
#include "platform/headless/null_gl.h"

namespace ironwood::fuzz {
namespace {

CheckHandler& Handler() {
  static CheckHandler handler = nullptr;
  return handler;
}

// The table as the null OpenGL fills it, made once: filling it by name for every input would
// cost more than most readers.
const opengl::EntryPoints& NullTable() {
  static const opengl::EntryPoints table = [] {
    opengl::EntryPoints filled{};
    platform::GlSystem& system = platform::NullGl();
    void* library = system.OpenLibrary(platform::kNullGlLibrary);
    for (auto slots :
         {opengl::CoreSlots(filled), opengl::GluSlots(filled), opengl::ExtensionSlots(filled)}) {
      for (const auto& entry : slots) *entry.slot = system.Symbol(library, entry.name);
    }
    return filled;
  }();
  return table;
}

opengl::EntryPoints& Saved() {
  static opengl::EntryPoints saved{};
  return saved;
}

}  // namespace

void Check(bool condition, std::string_view what) {
  if (condition) return;
  if (Handler() != nullptr) {
    Handler()(what);
    return;
  }
  std::fprintf(stderr, "reader promise broken: %.*s\n", static_cast<int>(what.size()),
               what.data());
  std::abort();
}

CheckHandler SetCheckHandler(CheckHandler handler) {
  const CheckHandler previous = Handler();
  Handler() = handler;
  return previous;
}

NullGlScope::NullGlScope() {
  Saved() = gl;
  gl = NullTable();
  platform::ResetNullGl();
}

NullGlScope::~NullGlScope() { gl = Saved(); }

TwoParts SplitTwo(const std::uint8_t* data, std::size_t size) {
  TwoParts parts;
  if (size == 0) return parts;
  parts.flags = data[0];
  ++data, --size;
  std::size_t firstSize = 0;
  for (std::size_t i = 0; i < 4 && i < size; ++i) firstSize |= std::size_t{data[i]} << (8 * i);
  const std::size_t skip = size < 4 ? size : 4;
  data += skip, size -= skip;
  if (firstSize > size) firstSize = size;
  parts.first.assign(reinterpret_cast<const char*>(data), firstSize);
  parts.second.assign(reinterpret_cast<const char*>(data) + firstSize, size - firstSize);
  return parts;
}

std::string JoinTwo(std::uint8_t flags, std::string_view first, std::string_view second) {
  std::string joined(1, static_cast<char>(flags));
  const auto length = static_cast<std::uint32_t>(first.size());
  for (int i = 0; i < 4; ++i) joined += static_cast<char>((length >> (8 * i)) & 0xFF);
  joined.append(first);
  joined.append(second);
  return joined;
}

}  // namespace ironwood::fuzz
