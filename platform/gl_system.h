#pragma once

#include <string>
#include <vector>

namespace ironwood::platform {

// The libraries the binding holds, shared with the platform's context code: the pixel-format and
// swap calls of a mini-driver come from its own library instead of the system's.
struct GlLibraryState {
  void* glLibrary = nullptr;
  void* gluLibrary = nullptr;
  bool miniDriver = false;  // never returns to off once set
};

// What binding an OpenGL library at run time asks of the operating system: loading libraries by
// file name, their symbols, extension addresses, and the platform's library names.
class GlSystem {
 public:
  virtual ~GlSystem() = default;

  // Library file names, in the order they are tried: accelerator mini-drivers (used only when
  // an accelerator board is present and wanted) and the system's own OpenGL library.
  virtual std::vector<std::string> AcceleratorLibraries() const = 0;
  virtual std::vector<std::string> SystemLibraries() const = 0;
  // The GLU library that belongs to a GL library; empty when there is none.
  virtual std::string GluLibraryFor(const std::string& glLibrary) const = 0;
  // GLU entries a platform's GLU library may lack without failing the binding (wide-character
  // entries exist only on Windows). The saver never calls GLU, so an empty entry is harmless.
  virtual bool GluEntryOptional(const char* /*name*/) const { return false; }
  // Number of accelerator boards the accelerator's own probe library reports; 0 without one.
  virtual int AcceleratorBoardCount() = 0;

  virtual void* OpenLibrary(const std::string& fileName) = 0;  // nullptr when it does not load
  virtual void CloseLibrary(void* library) = 0;
  virtual void* Symbol(void* library, const char* name) = 0;
  // An extension entry point for the current context: the driver's own lookup, then the
  // library's exports. nullptr when neither has it.
  virtual void* ExtensionAddress(void* glLibrary, const char* name) = 0;

  // Tells the user that no OpenGL library could be loaded: a message box where there is a
  // desktop, standard error otherwise. Returns the text for the start-up log when the user may
  // not have seen it (empty when a dialog showed it).
  virtual std::string ReportNoLibrary() = 0;
};

// The running platform's implementation.
GlSystem& SystemGl();

}  // namespace ironwood::platform
