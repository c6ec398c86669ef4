#include <windows.h>

#include <cstdint>

#include "platform/gl_system.h"

namespace ironwood::platform {

namespace {

class Win32GlSystem : public GlSystem {
 public:
  std::vector<std::string> AcceleratorLibraries() const override {
    return {"3dfxvgl.dll", "3dfxogl.dll"};
  }
  std::vector<std::string> SystemLibraries() const override {
    return {"opengl32.dll", "opengl.dll"};
  }
  std::string GluLibraryFor(const std::string& glLibrary) const override {
    if (glLibrary == "opengl.dll") return "glu.dll";
    if (glLibrary == "opengl32.dll") return "glu32.dll";
    if (glLibrary == "3dfxvgl.dll") return "3dfxvglu.dll";
    return "";
  }

  int AcceleratorBoardCount() override {
    HMODULE glide = LoadLibraryA("glide2x.dll");
    if (glide == nullptr) return 0;
    int boards = 0;
    using QueryBoards = int(__stdcall*)(void*);
    if (auto query = reinterpret_cast<QueryBoards>(
            reinterpret_cast<void*>(GetProcAddress(glide, "_grSstQueryBoards@4")))) {
      // The hardware configuration record; its first field receives the board count.
      alignas(std::int32_t) unsigned char configuration[4100] = {};
      query(configuration);
      std::int32_t count = 0;
      memcpy(&count, configuration, sizeof count);
      boards = count;
    }
    FreeLibrary(glide);
    return boards;
  }

  void* OpenLibrary(const std::string& fileName) override {
    return reinterpret_cast<void*>(LoadLibraryA(fileName.c_str()));
  }
  void CloseLibrary(void* library) override { FreeLibrary(static_cast<HMODULE>(library)); }
  void* Symbol(void* library, const char* name) override {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
  }

  void* ExtensionAddress(void* glLibrary, const char* name) override {
    using GetProc = PROC(WINAPI*)(LPCSTR);
    auto getProc = reinterpret_cast<GetProc>(reinterpret_cast<void*>(
        GetProcAddress(static_cast<HMODULE>(glLibrary), "wglGetProcAddress")));
    if (getProc == nullptr) return nullptr;
    if (PROC address = getProc(name)) return reinterpret_cast<void*>(address);
    return Symbol(glLibrary, name);
  }

  std::string ReportNoLibrary() override {
    MessageBoxA(GetFocus(), "Could not open OpenGL Library", "Error", MB_OK);
    return "";
  }
};

}  // namespace

GlSystem& SystemGl() {
  static Win32GlSystem system;
  return system;
}

}  // namespace ironwood::platform
