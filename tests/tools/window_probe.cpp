// Opens the saver window through the Win32 factory and logs what reaches its handler, for the
// window system test:
//   window_probe LOG WIDTH HEIGHT [--gl] [--password] [--timeout SECONDS]
//     appends "Kind 0xPARAMETER" to LOG for every message; the handler hides the cursor, quits
//     on deactivation, power messages and keys other than F12 and C, and swallows the screen-save
//     and close commands. Exits with the quit parameter (3 when the timeout ends it first).
//     --gl starts OpenGL on the window's render target and clears every frame.
//     --password hands the messages on to the saver's own window logic instead, with its
//     password gate (the desktop flag and the stored password read as the saver reads them)
//     and its entry dialog.
//   window_probe --mode WIDTHxHEIGHT[xBITS]
//     lists the display modes, tries ChangeDisplayMode (32 bits unless given), prints the result
//     and the mode then current, and puts the desktop's mode back.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/gl_system.h"
#include "platform/password_dialogs.h"
#include "platform/settings_store.h"
#include "platform/win32/win32_saver_window.h"
#include "glapi/gl_table.h"
#include "saver/gl/renderer.h"
#include "saver/core/log_sink.h"
#include "saver/shell/password.h"
#include "saver/shell/window_logic.h"

namespace {

using ironwood::platform::SaverWindow;
using ironwood::platform::WindowMessage;
using ironwood::platform::WindowMessageKind;
using ironwood::platform::WindowReaction;

const char* KindName(WindowMessageKind kind) {
  switch (kind) {
    case WindowMessageKind::Create:
      return "Create";
    case WindowMessageKind::SetCursor:
      return "SetCursor";
    case WindowMessageKind::Destroy:
      return "Destroy";
    case WindowMessageKind::Activate:
      return "Activate";
    case WindowMessageKind::ActivateApp:
      return "ActivateApp";
    case WindowMessageKind::NcActivate:
      return "NcActivate";
    case WindowMessageKind::SysCommand:
      return "SysCommand";
    case WindowMessageKind::KeyDown:
      return "KeyDown";
    case WindowMessageKind::MouseMove:
      return "MouseMove";
    case WindowMessageKind::PowerBroadcast:
      return "PowerBroadcast";
    case WindowMessageKind::BroughtToFront:
      return "BroughtToFront";
    case WindowMessageKind::Other:
      return "Other";
  }
  return "?";
}

// Close enough to the saver's own rules to show what the platform delivers.
class ProbeHandler : public ironwood::platform::WindowHandler {
 public:
  explicit ProbeHandler(std::string logPath) : logPath_(std::move(logPath)) {}
  void Attach(SaverWindow& window) { window_ = &window; }

  // The saver's own logic, which then decides instead.
  void HandOnTo(ironwood::platform::WindowHandler& logic) { logic_ = &logic; }

  WindowReaction OnMessage(const WindowMessage& message) override {
    Log(message);
    if (logic_ != nullptr) return logic_->OnMessage(message);
    switch (message.kind) {
      case WindowMessageKind::Create:
        window_->HideCursor();
        return {true, 0};
      case WindowMessageKind::SetCursor:
        window_->HideCursor();
        return {false, TRUE};
      case WindowMessageKind::Destroy:
        window_->PostQuit(0);
        return {false, 0};
      case WindowMessageKind::Activate:
      case WindowMessageKind::ActivateApp:
        if (message.parameter == 0) window_->PostQuit(0);
        return {true, 0};
      case WindowMessageKind::PowerBroadcast:
        window_->PostQuit(0);
        return {true, 0};
      case WindowMessageKind::KeyDown:
        if (message.parameter != ironwood::platform::kKeyF12 &&
            message.parameter != ironwood::platform::kKeyC) {
          window_->PostQuit(0);
        }
        return {false, 0};
      case WindowMessageKind::SysCommand:
        if (message.parameter == ironwood::platform::kScreenSave ||
            message.parameter == ironwood::platform::kClose) {
          return {false, 0};
        }
        return {true, 0};
      default:
        return {true, 0};
    }
  }

  // Opened and closed per line, so a killed probe still leaves every line whole; plain line
  // ends, for the shell.
  void LogLine(const std::string& line) const {
    if (std::FILE* file = std::fopen(logPath_.c_str(), "ab")) {
      std::fprintf(file, "%s\n", line.c_str());
      std::fclose(file);
    }
  }

 private:
  void Log(const WindowMessage& message) const {
    char line[64];
    std::snprintf(line, sizeof line, "%s 0x%lX", KindName(message.kind),
                  static_cast<unsigned long>(message.parameter));
    LogLine(line);
  }

  std::string logPath_;
  SaverWindow* window_ = nullptr;
  ironwood::platform::WindowHandler* logic_ = nullptr;
};

int ModeProbe(const char* text) {
  int width = 0, height = 0, bits = 32;
  if (std::sscanf(text, "%dx%dx%d", &width, &height, &bits) < 2) {
    std::fprintf(stderr, "window_probe: bad mode %s\n", text);
    return 2;
  }
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  for (DWORD index = 0; EnumDisplaySettingsA(nullptr, index, &mode); ++index) {
    std::printf("listed %lu: %lux%lux%lu %luHz\n", static_cast<unsigned long>(index),
                mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel, mode.dmDisplayFrequency);
  }
  auto window = ironwood::platform::CreateWin32SaverWindow(GetModuleHandleA(nullptr), SW_SHOW);
  const bool changed = window->ChangeDisplayMode(width, height, bits);
  std::printf("change %dx%dx%d: %s\n", width, height, bits, changed ? "success" : "failure");
  if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
    std::printf("current: %lux%lux%lu\n", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
  }
  window->RestoreDisplayMode();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ironwood;
  if (argc == 3 && std::strcmp(argv[1], "--mode") == 0) return ModeProbe(argv[2]);
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: window_probe LOG WIDTH HEIGHT [--gl] [--password] [--timeout SECONDS]\n"
                 "       window_probe --mode WIDTHxHEIGHT[xBITS]\n");
    return 2;
  }
  const std::string logPath = argv[1];
  const int width = std::atoi(argv[2]);
  const int height = std::atoi(argv[3]);
  bool useGl = false;
  bool password = false;
  DWORD timeoutMs = 30000;
  for (int i = 4; i < argc; ++i) {
    if (std::strcmp(argv[i], "--gl") == 0) {
      useGl = true;
    } else if (std::strcmp(argv[i], "--password") == 0) {
      password = true;
    } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutMs = static_cast<DWORD>(std::atoi(argv[++i])) * 1000;
    }
  }

  ProbeHandler handler(logPath);
  auto window = platform::CreateWin32SaverWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
  handler.Attach(*window);
  auto settings = platform::OpenSettingsStore();
  // Wired as the saver wires them; the gate and the logic outlive the window.
  auto dialogs = platform::CreatePasswordDialogs();
  PasswordGate gate(*settings, dialogs.get(),
                    PasswordRequired(*settings, platform::CurrentDesktopKind()));
  WindowLogic logic(*window, WindowLogic::Hooks{
                                 .mayEnd = [&gate] { return gate.MayEnd(); },
                                 .passwordDialogShowing = [&gate] { return gate.DialogShowing(); },
                                 .passwordRequired = [&gate] { return gate.Required(); }});
  if (password) {
    handler.HandOnTo(logic);
    handler.LogLine(gate.Required() ? "password required" : "no password required");
  }
  if (!window->RegisterClass() || !window->Create(width, height, handler)) {
    std::fprintf(stderr, "window_probe: no window\n");
    return 1;
  }
  window->Show();

  // OpenGL on the window's own device context, as the saver starts it.
  NullLog log;  // the probe reports on standard error
  Renderer renderer(platform::SystemGl(), log);
  std::unique_ptr<platform::RenderTarget> target;
  if (useGl) {
    target = window->CreateRenderTarget(renderer.Binding().Libraries());
    if (!target || !renderer.Start(target.get(), width, height, *settings)) {
      std::fprintf(stderr, "window_probe: OpenGL did not start\n");
      renderer.Shutdown();
      return 1;
    }
    std::printf("gl started\n");
    std::fflush(stdout);
  }

  const DWORD start = GetTickCount();
  int quitParameter = 0;
  for (;;) {
    const auto poll = window->PollMessage(quitParameter);
    if (poll == SaverWindow::Poll::Quit) break;
    if (poll == SaverWindow::Poll::Handled) continue;
    if (GetTickCount() - start > timeoutMs) {
      quitParameter = 3;
      break;
    }
    if (target) {
      gl.glClearColor(0.0f, 0.25f, 0.5f, 1.0f);
      gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      target->SwapBuffers();
    }
    Sleep(5);
  }
  handler.LogLine("Quit 0x" + std::to_string(quitParameter));
  renderer.Shutdown();
  return quitParameter;
}
