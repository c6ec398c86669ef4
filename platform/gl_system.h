#pragma once

#include <string>
#include <vector>

namespace ironwood::platform {

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
  // Number of accelerator boards the accelerator's own probe library reports; 0 without one.
  virtual int AcceleratorBoardCount() = 0;

  virtual void* OpenLibrary(const std::string& fileName) = 0;  // nullptr when it does not load
  virtual void CloseLibrary(void* library) = 0;
  virtual void* Symbol(void* library, const char* name) = 0;
  // An extension entry point for the current context: the driver's own lookup, then the
  // library's exports. nullptr when neither has it.
  virtual void* ExtensionAddress(void* glLibrary, const char* name) = 0;

  // Tells the user that no OpenGL library could be loaded (a message box where there is a
  // desktop, standard error otherwise).
  virtual void ReportNoLibrary() = 0;
};

// The running platform's implementation.
GlSystem& SystemGl();

}  // namespace ironwood::platform
