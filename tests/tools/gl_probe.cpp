// Starts the renderer the way the saver does and reports what it found, for the system tests:
//   gl_probe FOLDER WIDTH HEIGHT
// writes the start-up log into FOLDER, clears the frame to a known colour, reads one pixel back
// and prints "pixel R G B". Windows: WGL on a small window of its own; Linux: an offscreen EGL
// buffer (no display needed).
#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wgl_target.h"
#else
#include "platform/linux/egl_target.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/gl_system.h"
#include "glapi/gl_table.h"
#include "saver/gl/renderer.h"
#include "saver/shell/startup_log.h"

int main(int argc, char** argv) {
  using namespace ironwood;
  if (argc != 4) {
    std::fprintf(stderr, "usage: gl_probe FOLDER WIDTH HEIGHT\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/' && folder.back() != '\\') folder += '/';
  const int width = std::atoi(argv[2]);
  const int height = std::atoi(argv[3]);
  StartupLog log(folder);
  log.Create();
  auto settings = platform::OpenSettingsStore();
  Renderer renderer(platform::SystemGl(), log);

#ifdef _WIN32
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "IronwoodGlProbe";
  windowClass.style = CS_OWNDC;
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("IronwoodGlProbe", "gl probe", WS_POPUP | WS_VISIBLE, 0, 0, width,
                              height, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "gl_probe: no window\n");
    return 1;
  }
  auto target =
      std::make_unique<platform::WglTarget>(GetDC(window), renderer.Binding().Libraries());
#else
  auto target = platform::EglTarget::Offscreen(width, height);
#endif

  if (!renderer.Start(target.get(), width, height, *settings)) {
    std::printf("start failed\n");
    renderer.Shutdown();  // while the target it started on still exists
    return 1;
  }
  gl.glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
#ifndef _WIN32
  target->ResolveSamples();  // a multisampled pbuffer is read where its picture is resolved
#endif
  gl.glFinish();
  GLubyte pixel[4] = {};
  gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gl.glReadPixels(width / 2, height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  std::printf("pixel %d %d %d\n", pixel[0], pixel[1], pixel[2]);
  std::printf("multitexture %d s3tc %d compiled-arrays %d\n", renderer.MultitextureAvailable(),
              renderer.S3TCAvailable(), renderer.CompiledVertexArraysAvailable());
  renderer.Shutdown();
  return 0;
}
