#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "platform/gl_system.h"
#include "platform/linux/egl_target.h"

namespace ironwood::platform {

namespace {

class LinuxGlSystem : public GlSystem {
 public:
  // Linux has no accelerator mini-drivers: the system library serves every board.
  std::vector<std::string> AcceleratorLibraries() const override { return {}; }
  // The vendor-neutral library first (no window-system calls), then the classic one.
  std::vector<std::string> SystemLibraries() const override {
    return {"libOpenGL.so.0", "libGL.so.1"};
  }
  std::string GluLibraryFor(const std::string& /*glLibrary*/) const override {
    return "libGLU.so.1";
  }
  // The wide-character error text is a Windows addition that Linux GLU libraries lack; without
  // this every binding with GLU present would fail for a function the saver never calls.
  bool GluEntryOptional(const char* name) const override {
    return name != nullptr && std::strcmp(name, "gluErrorUnicodeStringEXT") == 0;
  }
  int AcceleratorBoardCount() override { return 0; }

  void* OpenLibrary(const std::string& fileName) override {
    if (fileName.empty()) return nullptr;
    return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  void CloseLibrary(void* library) override {
    if (library != nullptr) dlclose(library);
  }
  void* Symbol(void* library, const char* name) override {
    // dlsym with a null handle would search the whole process instead of failing.
    if (library == nullptr || name == nullptr) return nullptr;
    return dlsym(library, name);
  }
  void* ExtensionAddress(void* glLibrary, const char* name) override {
    if (void* address = EglTarget::GetProcAddress(name)) return address;
    return Symbol(glLibrary, name);
  }

  std::string ReportNoLibrary() override {
    std::fputs("Could not open OpenGL Library\n", stderr);
    std::fflush(stderr);
    return "Could not open OpenGL Library";
  }
};

}  // namespace

GlSystem& SystemGl() {
  static LinuxGlSystem system;
  return system;
}

}  // namespace ironwood::platform
