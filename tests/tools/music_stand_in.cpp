// Stands in for the music player in the Windows system tests. It opens a hidden top-level
// window of the player's class and writes, to "commands.txt" beside itself, "started" and then
// every WM_COMMAND identifier it receives, one a line, each line flushed at once, and "ended"
// as it exits. The close identifier (40001) ends it; so does a minute without any command, so
// that a failed test leaves nothing behind.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kCloseIdentifier = 40001;
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleMs = 60000;
std::string commandsPath;

void Record(const char* line) {
  std::FILE* file = std::fopen(commandsPath.c_str(), "a");
  if (file == nullptr) return;
  std::fprintf(file, "%s\n", line);
  std::fclose(file);
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      char line[32];
      std::snprintf(line, sizeof line, "%lu", static_cast<unsigned long>(wParam));
      Record(line);
      SetTimer(window, kIdleTimer, kIdleMs, nullptr);
      if (wParam == kCloseIdentifier) DestroyWindow(window);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  commandsPath = self;
  const std::size_t slash = commandsPath.find_last_of("/\\");
  commandsPath = (slash == std::string::npos ? std::string() : commandsPath.substr(0, slash + 1)) +
                 "commands.txt";

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = PlayerWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "Winamp v1.x";
  if (RegisterClassA(&windowClass) == 0) return 1;
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, windowClass.lpszClassName, "Music stand-in",
                                WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  SetTimer(window, kIdleTimer, kIdleMs, nullptr);
  // The window exists before the line is written: a test that sees "started" can count on it.
  Record("started");

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  Record("ended");
  return 0;
}
