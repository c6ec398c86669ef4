#pragma once

#include <string>

#include "platform/gl_system.h"
#include "glapi/gl_table.h"

namespace ironwood::opengl {

// Chooses an OpenGL driver library by name, loads it and its GLU library at run time and fills
// the entry-point table. Binding is reference-counted; the last Unbind releases the libraries.
class Binding {
 public:
  static constexpr int kBound = 0;
  static constexpr int kMissingEntryPoint = -1;
  static constexpr int kNoLibrary = -666;

  explicit Binding(platform::GlSystem& system, EntryPoints& table = gl)
      : system_(system), table_(table) {}
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  // The library to bind: an accelerator mini-driver when one is wanted, a board is present and
  // its library loads; otherwise the first system library that loads. When nothing loads, the
  // last system name is returned and the following Bind fails.
  std::string ChooseDriver(bool useAccelerator);

  // kBound, kMissingEntryPoint or kNoLibrary. A failed bind leaves nothing loaded and the
  // count where it was, so a later attempt starts afresh instead of reporting success.
  int Bind(const std::string& libraryName);
  // Fills the extension entries for the current context; missing ones stay empty.
  void FetchExtensions();
  void Unbind();

  int ReferenceCount() const { return references_; }
  // What the last failed Bind has for the start-up log beyond its failure line; usually empty.
  const std::string& FailureDetail() const { return failureDetail_; }
  const std::string& LibraryName() const { return libraryName_; }
  platform::GlLibraryState& Libraries() { return libraries_; }

 private:
  bool FillFrom(void* library, const std::vector<EntrySlot>& slots, bool gluTable);
  void Release();

  platform::GlSystem& system_;
  EntryPoints& table_;
  platform::GlLibraryState libraries_;
  std::string libraryName_;
  std::string failureDetail_;
  int references_ = 0;
};

}  // namespace ironwood::opengl
